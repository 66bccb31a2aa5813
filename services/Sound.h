#pragma once

// Plays the click sound without waiting; a second click restarts it. Silent without audio.
void PlayClick();
