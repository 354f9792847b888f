// What a rewritten file takes over from its original before it is swapped in: owner and
// group (where the process may set them), the permission bits, the access ACL and the
// user's extended attributes.
#pragma once

namespace kesto {

// Copies onto the open file `to` what the open file `from` carries. False when any of it
// could not be kept; the rest is still copied.
bool CopyFileMetadata(int from, int to);

}  // namespace kesto
