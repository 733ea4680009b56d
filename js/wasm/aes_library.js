// The imports of aes_block_js.cpp, served by the object the package passes as
// Module.kesmalAes (js/src/aes_node.js or js/src/aes_browser.js).
mergeInto(LibraryManager.library, {
  kesmal_aes_prepare: function (key) {
    try {
      return Module['kesmalAes'].prepare(HEAPU8.slice(key, key + 32));
    } catch (e) {
      return 0;
    }
  },
  kesmal_aes_release: function (handle) {
    Module['kesmalAes'].release(handle);
  },
  kesmal_aes_encipher: function (handle, input, output, blocks) {
    try {
      Module['kesmalAes'].encipher(handle, HEAPU8, input, output, blocks * 16);
      return 0;
    } catch (e) {
      return 1;
    }
  },
});
