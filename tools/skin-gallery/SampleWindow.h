#pragma once
// The gallery's sample window: a skinned form read from its description
// (SampleWindow.json) with the library's controls working together, in the
// style asked for.
#include "SUIThemes.h"

#include <memory>

class TForm;
class QWidget;

// The window as a child of parent (not a window of its own), or nullptr with
// the reason in why when its description cannot be read.
std::unique_ptr<TForm> MakeSampleWindow(TsuiUIStyle style, QWidget* parent, QString* why = nullptr);
