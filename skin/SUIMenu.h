#pragma once
// Menu drawing helpers shared by the skinned menus and the form's menu bar.
class TFont;

// Gives font the desktop's menu font and the menu-text colour; leaves it as
// it is when the desktop names no menu font.
void SetSystemMenuFont(TFont* font);
