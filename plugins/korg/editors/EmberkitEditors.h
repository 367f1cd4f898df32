#pragma once

namespace emberkit {

// Installs the Qt editors and the Virtual Synth's dialog for the model's patches and tool.
void InstallEditors();

}  // namespace emberkit
