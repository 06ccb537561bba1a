#pragma once
// The skinned controls' styles and the theme table's lookups: a style and an
// entry number give a colour, a number, a flag or a picture name.
#include "Graphics.h"
#include "SUIResDef.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <cstdint>

class QObject;
class QWidget;
class TComponent;
class TsuiForm;

namespace SUIThemes {
Q_NAMESPACE
enum TsuiUIStyle { Custom, MacOS, WinXP, DeepBlue, Protein, BlueGlass };
Q_ENUM_NS(TsuiUIStyle)
}  // namespace SUIThemes
using SUIThemes::TsuiUIStyle;
using enum SUIThemes::TsuiUIStyle;
using SUIResDef::TThemeEntryIndex;
using SUIResDef::TThemeKind;
using enum SUIResDef::TThemeEntryIndex;

// "PROTEIN" for Protein; empty for Custom and unknown values.
QString StylePrefix(TsuiUIStyle style);

// Only the low seven bits of the style count. For styles 1..5 and entries
// 1..95: the value (an int, or the picture name as a QString) and its kind;
// otherwise -1 of kind Int.
QVariant GetThemeValue(int style, int index, TThemeKind& kind);
// The neutral answers for any other style or kind: -1, 0, false, "".
int GetThemeInt(int style, int index);
TColor GetThemeColor(int style, int index);
bool GetThemeBool(int style, int index);
QString GetThemeString(int style, int index);

// The first TsuiForm among the components owner owns, nullptr when none.
TsuiForm* FindForm(TComponent* owner);
// Each looks at the components owner owns, in order, and takes the first
// TsuiForm: its UIStyle (DeepBlue when none), its border entry colour (0 when
// none), its Color (clBtnFace when none).
TsuiUIStyle FindFormUIStyle(TComponent* owner);
TColor FindFormBorderColor(TComponent* owner);
TColor FindFormColor(TComponent* owner);

// What a skinned control does when its container hands a style down. A class
// says which of the rows it belongs to and implements the setters those rows
// use; a control in several rows gets each action, in row order.
class IsuiThemeChild {
 public:
  enum TThemeRow : unsigned {
    trStyleUnlessCustom = 1,  // takes the style unless its own is Custom
    trBorder = 2,             // BorderColor := entry 8
    trGroup = 4,              // BorderColor := 8, caption font colour := 10, Color := 9
    trSideChannel = 8,        // Color and SideBarColor := 9
    trStyle = 16,             // takes the style
    trContainer = 32,         // takes the style and hands it to its own children
  };
  virtual ~IsuiThemeChild() = default;
  virtual unsigned ThemeRows() const = 0;
  virtual TsuiUIStyle ThemeUIStyle() const { return Custom; }
  virtual void ApplyThemeUIStyle(TsuiUIStyle) {}
  virtual void ApplyThemeBorderColor(TColor) {}
  virtual void ApplyThemeCaptionColor(TColor) {}
  virtual void ApplyThemeColor(TColor) {}
  virtual void ApplyThemeSideBarColor(TColor) {}
};

// Walks the direct children of container once, in child order, and applies
// each child's rows. Nothing for Custom.
void ApplyUIStyleToChildren(QWidget* container, TsuiUIStyle style);
// Hands the style to the containers among form's direct children, which
// apply it to themselves and to their own children.
void ApplyUIStyleToContainers(QWidget* form, TsuiUIStyle style);
