#pragma once

#include <memory>

class CSynthMemory;

// The memory "Generic": one layer "SysEx Data" whose one patch holds whatever its
// layer reads, saved back byte for byte. It takes SysEx no plug-in recognises.
std::unique_ptr<CSynthMemory> CreateGenericMemory();
