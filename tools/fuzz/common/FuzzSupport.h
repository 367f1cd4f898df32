#pragma once

// Set-up the fuzz targets share. Every target may call these from
// LLVMFuzzerTestOneInput; each does its work once per process.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tonalith::fuzz {

// Replaces the UI services with ones that discard messages and answer No, so a
// loader that reports through message boxes neither prints nor piles up text.
void InstallQuietUi();

// Points the synth memory factory at this build's plug-in folder (or at
// $TONALITH_PLUGIN_PATH) and loads the plug-ins.
void LoadPlugins();

// A file of this process for loaders that only take a path; the bytes replace
// its contents. Kept in /dev/shm when it exists, so it costs no disk writes.
const std::string& WriteScratchFile(std::span<const std::uint8_t> bytes, const char* extension);

}  // namespace tonalith::fuzz
