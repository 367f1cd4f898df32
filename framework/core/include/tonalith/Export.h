#pragma once

// Symbols a synth plug-in exports; everything else in a plug-in stays hidden.
#define TONALITH_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
