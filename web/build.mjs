console.log("web: (not yet)")
