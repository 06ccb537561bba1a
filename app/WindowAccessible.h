#pragma once
// What screen readers see of the recorder's window beyond its push buttons:
// the oscilloscope as a named picture of the signal, the list of conversion
// steps and the progress bar by name, and the two links, which the keyboard
// follows too (Tab to them, Enter or Space). The skinned parts come from the
// skin library's own accessibility.
class TForm1;

void MakeWindowAccessible(TForm1& window);
