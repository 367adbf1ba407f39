#pragma once
// The sample library: a few synthetic stereo scenes for a new user to open
// and for the library view to show.
#include <cstdint>
#include <string>

#include "platform/result.h"

// Writes the pairs (base + "L.BMP" / base + "R.BMP") and one single-file
// side-by-side picture into dir, making it when needed. Deterministic.
Status writeSampleLibrary(const std::string& dir);

// Smooth value noise, 0..255: random levels on a lattice of cell pixels,
// blended bilinearly. Integer arithmetic only, so every machine makes the
// same pictures.
int valueNoise(int u, int v, int cell, std::uint32_t seed);
