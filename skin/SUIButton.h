#pragma once
// The push button of the skinned windows; a standard push button until the
// themed button draws its faces from the skin pictures.
#include "StdCtrls.h"

class TsuiButton : public TButton {
  Q_OBJECT
public:
  explicit TsuiButton(TComponent* owner) : TButton(owner) {}
};
