#pragma once

// Plays the click sound without waiting; a second click restarts it. Silent without audio,
// and without the sound module (quorva_sound) beside the program or in ../lib/quorva.
void PlayClick();
// Whether the sound module was found (loads it).
bool ClickSoundAvailable();
