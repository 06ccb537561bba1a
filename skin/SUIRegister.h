#pragma once
// What every window using the skinned controls calls once: registers the
// skinned classes for window descriptions. Each skinned class adds its line
// (and its events) in SUIRegister.cpp.
void RegisterSkinControls();
