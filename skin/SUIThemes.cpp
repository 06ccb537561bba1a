#include "SUIThemes.h"

#include "Classes.h"
#include "SUIForm.h"

#include <QWidget>

namespace {
constexpr int kLowBits = 0x7F;

const SUIResDef::TThemeEntry* Entry(int style, int index) {
  style &= kLowBits;
  if (style < 1 || style > SUIResDef::StyleCount || index < 1 || index > SUIResDef::ThemeEntryCount) return nullptr;
  return &SUIResDef::ThemeTable[index - 1];
}

IsuiThemeChild* ThemeChild(QObject* object) { return dynamic_cast<IsuiThemeChild*>(object); }
}  // namespace

QString StylePrefix(TsuiUIStyle style) {
  const int s = int(style);
  return s >= 1 && s <= SUIResDef::StyleCount ? QString::fromLatin1(SUIResDef::StylePrefixes[s]) : QString();
}

QVariant GetThemeValue(int style, int index, TThemeKind& kind) {
  const SUIResDef::TThemeEntry* e = Entry(style, index);
  if (!e) {
    kind = TThemeKind::Int;
    return -1;
  }
  kind = e->Kind;
  const int s = style & kLowBits;
  if (e->Kind != TThemeKind::Name) return e->Values[s - 1];
  const char* element = SUIResDef::ElementOf(s, index);
  if (!element || !*element) return QString();
  if (e->Shared) return QString::fromLatin1(element);
  return QString::fromLatin1(SUIResDef::StylePrefixes[s]) + QLatin1Char('_') + QString::fromLatin1(element);
}

namespace {
QVariant ValueOfKind(int style, int index, TThemeKind wanted) {
  TThemeKind kind;
  QVariant v = GetThemeValue(style, index, kind);
  return kind == wanted ? v : QVariant();
}
}  // namespace

int GetThemeInt(int style, int index) {
  const QVariant v = ValueOfKind(style, index, TThemeKind::Int);
  return v.isValid() ? v.toInt() : -1;
}

TColor GetThemeColor(int style, int index) {
  const QVariant v = ValueOfKind(style, index, TThemeKind::Color);
  return v.isValid() ? TColor(v.toInt()) : TColor(0);
}

bool GetThemeBool(int style, int index) {
  const QVariant v = ValueOfKind(style, index, TThemeKind::Bool);
  return v.isValid() && v.toInt() != 0;
}

QString GetThemeString(int style, int index) {
  const QVariant v = ValueOfKind(style, index, TThemeKind::Name);
  return v.isValid() ? v.toString() : QString();
}

TsuiForm* FindForm(TComponent* owner) {
  if (!owner) return nullptr;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (auto* form = dynamic_cast<TsuiForm*>(owner->Components(i))) return form;
  return nullptr;
}

TsuiUIStyle FindFormUIStyle(TComponent* owner) {
  const TsuiForm* form = FindForm(owner);
  return form ? form->UIStyle() : DeepBlue;
}

TColor FindFormBorderColor(TComponent* owner) {
  const TsuiForm* form = FindForm(owner);
  return form ? GetThemeColor(form->UIStyle(), teBorderColor) : TColor(0);
}

TColor FindFormColor(TComponent* owner) {
  const TsuiForm* form = FindForm(owner);
  return form ? form->Color() : clBtnFace;
}

void ApplyUIStyleToChildren(QWidget* container, TsuiUIStyle style) {
  if (!container || style == Custom) return;
  using R = IsuiThemeChild;
  for (QObject* object : container->children()) {
    IsuiThemeChild* child = ThemeChild(object);
    if (!child) continue;
    const unsigned rows = child->ThemeRows();
    if ((rows & R::trStyleUnlessCustom) && child->ThemeUIStyle() != Custom) child->ApplyThemeUIStyle(style);
    if (rows & R::trBorder) child->ApplyThemeBorderColor(GetThemeColor(style, teBorderColor));
    if (rows & R::trGroup) {
      child->ApplyThemeBorderColor(GetThemeColor(style, teBorderColor));
      child->ApplyThemeCaptionColor(GetThemeColor(style, teGroupCaptionColor));
      child->ApplyThemeColor(GetThemeColor(style, teControlColor));
    }
    if (rows & R::trSideChannel) {
      child->ApplyThemeColor(GetThemeColor(style, teControlColor));
      child->ApplyThemeSideBarColor(GetThemeColor(style, teControlColor));
    }
    if (rows & R::trStyle) child->ApplyThemeUIStyle(style);
  }
}

void ApplyUIStyleToContainers(QWidget* form, TsuiUIStyle style) {
  if (!form) return;
  for (QObject* object : form->children()) {
    IsuiThemeChild* child = ThemeChild(object);
    if (child && (child->ThemeRows() & IsuiThemeChild::trContainer)) child->ApplyThemeUIStyle(style);
  }
}
