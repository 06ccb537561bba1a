#pragma once
// What every window using the audio components calls once (again is
// harmless): registers each component class of the library, with every event
// it publishes, for window descriptions.
void RegisterAudioClasses();
