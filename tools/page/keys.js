// keydown keyCode to Windows virtual-key code. On Windows a key event's
// keyCode is the virtual-key code for the keyboard's layout, as the game gets
// it; Firefox alone numbers a few keys its own way, on every system.
const KEYCODE_TO_VK = { 59: 186, 61: 187, 173: 189, 224: 91 };
export const virtualKey = (e) => (e.keyCode ? KEYCODE_TO_VK[e.keyCode] || e.keyCode : null);
