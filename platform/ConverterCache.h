#pragma once

#include "DictionaryConverter.h"
#include "FileError.h"

#include <QString>
#include <memory>
#include <string>

// A copy of a configuration's built tables in a cache folder, so that a later start loads them in a
// few milliseconds instead of reading every dictionary through OpenCC again.
//
// The copy names the configuration and dictionary files it was made from, with their sizes and
// modification times, and is used only while they all still match; it carries a checksum of its
// tables. A copy that is stale, damaged, or written by another version of this program is made
// again. The copy is written atomically and only as a convenience: when it cannot be written the
// converter is the same.
namespace ConverterCache {

// The converter for config (as DictionaryConverter::load takes it). An empty cacheFolder keeps no
// copy. *fromCache (when given) tells whether the copy was used.
std::unique_ptr<DictionaryConverter> load(const std::string& config, const QString& cacheFolder, FileError* error,
                                          bool* fromCache = nullptr);

} // namespace ConverterCache
