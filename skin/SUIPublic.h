#pragma once
// What every window using the skinned controls calls once: registers the
// skinned classes for window descriptions.
void RegisterSkinControls();
