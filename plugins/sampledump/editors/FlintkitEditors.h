#pragma once

namespace flintkit {

// Makes the sample's Edit open "Edit Sample Dump Standard" and the import ask
// for its channel and depth.
void InstallEditors();

}  // namespace flintkit
