// StandardStreams: standard input, output and error are open before anything else is.
//
// A program started with one of them closed would give that number to the next descriptor
// it opens: the pipe that wakes a wait on a signal would become standard input, and a
// question would wait for an answer from it for ever. Each closed one is opened on
// /dev/null instead: no input, as at the end of the answers, and output that goes nowhere.
#pragma once

namespace kesto {

void KeepStandardStreamsOpen();

}  // namespace kesto
