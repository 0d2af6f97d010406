#pragma once
// Where the download job puts a file: straight into the file system, or
// through the file service broker's pipe on systems that need it. One
// output per worker, used only on the worker thread: the transfer's file
// sink.
#include "common/transfer/FileSink.h"

namespace vard {

using IDownloadOutput = transfer::IFileSink;
using transfer::ExistingFile;
using transfer::OutputReady;
using transfer::WriteResult;

}  // namespace vard
