#pragma once

#include <QtGlobal>
#include <functional>

// How a long read or copy tells how far it got: `done` of `total` bytes of the file. It is called once
// per piece read (a few times per megabyte). Returning false asks the reader to stop: it then fails
// with FileError::stopped() and leaves everything it would have written as it was.
using ReadProgress = std::function<bool(qint64 done, qint64 total)>;
