// The page's side of the browser layer as Node has it, for the game tests
// run there (emcc --pre-js): no page, so no audio device, as on a machine
// without one.
var Page = { playSound: () => false };
