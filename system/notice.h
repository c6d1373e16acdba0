#pragma once

// Shows a modal message box and returns the button pressed (0 when the box
// could not be shown). The calling thread's visible windows, except the
// foreground one, are disabled and lose always-on-top while the box is up,
// and get both back afterwards. Safe to call from several threads at once;
// each restores only its own thread's windows.
int showNotice(const wchar_t* caption, const wchar_t* text, unsigned int style);
