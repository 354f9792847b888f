// OpenFileLimit: as many open files as the system lets this process have.
//
// A run keeps one descriptor open for every folder in which it changed a file, until it
// ends (its holds on those files live on it), and so does an undo or a recovery. The soft
// limit most desktops start a program with (1,024) would make a run over more folders than
// that refuse the files of the rest; the hard limit is usually far higher.
#pragma once

namespace kesto {

// Raises the soft limit on open files to the hard limit; false when it could not.
bool RaiseOpenFileLimit();

}  // namespace kesto
