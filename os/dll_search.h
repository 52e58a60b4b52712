// Where a Windows program looks for the DLLs it loads.
#pragma once

namespace voz::os {

// Restricts the DLL search of this process to the system folder, so that a DLL
// planted beside the program (a setup run from a downloads folder, an
// uninstaller run from the temporary folder) is never loaded in place of a
// system one. Call it first thing at start-up, before anything loads a DLL.
void RestrictDllSearchToSystem();

}  // namespace voz::os
