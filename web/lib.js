// The package as the page loads it: one script, run in the page and again in
// its worker, that defines KesmalPage.load().
import createKesmalWasm from "../build/js/package/kesmal_wasm.js";
import { bindKesmal } from "../build/js/package/core.js";
import { browserAes } from "../build/js/package/aes_browser.js";

export async function load() {
  return bindKesmal(await createKesmalWasm({ kesmalAes: browserAes() }));
}
