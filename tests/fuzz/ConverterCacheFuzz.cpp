// The converter's table cache over damaged copies: the copy is read back at every start from a cache
// folder that anything may have changed or cut short, so loading must never crash, must never take a
// damaged copy for a good one (a copy it uses gives exactly the tables it was made from), and a copy it
// refuses gives the converter from the dictionaries and is made again whole, with no file left beside it.
//
// The copy is one the cache made for a tiny configuration with a text dictionary, so that every refused
// copy is quick to make again. Input: a first byte of options, then edits of that copy: bit 0 cuts the
// copy short at the position given by the next four bytes; the rest are edits of five bytes each, a
// position (four bytes) and a byte to XOR into the copy there.

#include "FuzzSupport.h"
#include "platform/ConverterCache.h"

#include <QDir>

namespace {

const char* const Config = R"({"name": "tiny",
  "segmentation": {"type": "mmseg", "dict": {"type": "text", "file": "tiny.txt"}},
  "conversion_chain": [{"dict": {"type": "text", "file": "tiny.txt"}}]}
)";
const char* const Dictionary = "汉字\t漢字\n头发\t頭髮\n发\t發 髮\n后\t後 后\n";

struct Setup {
    std::string config;
    QString cacheFolder;
    QString copyPath;
    QByteArray copy;   // the copy as the cache wrote it
    std::string tables; // the tables the dictionaries give, as bytes
};

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

const Setup& setup() {
    static const Setup made = [] {
        Setup s;
        const QString config = Fuzz::scratchPath("tiny.json");
        FUZZ_CHECK(Fuzz::writeFile(config, Config) && Fuzz::writeFile(Fuzz::scratchPath("tiny.txt"), Dictionary),
                   "cannot write the configuration");
        s.config = config.toStdString();
        s.cacheFolder = Fuzz::scratchPath("cache");
        FileError error;
        const auto converter = ConverterCache::load(s.config, s.cacheFolder, &error);
        FUZZ_CHECK(converter, "the configuration does not load: %s", error.description.toUtf8().constData());
        converter->appendTo(s.tables);
        const QStringList files = filesIn(s.cacheFolder);
        FUZZ_CHECK(files.size() == 1, "%d files in the cache folder", int(files.size()));
        s.copyPath = s.cacheFolder + u'/' + files.first();
        s.copy = Fuzz::readFile(s.copyPath);
        return s;
    }();
    return made;
}

QByteArray damaged(const QByteArray& copy, Fuzz::Input& input) {
    QByteArray bytes = copy;
    if (input.byte() & 1)
        bytes.truncate(qsizetype(input.number() % uint32_t(copy.size() + 1)));
    while (input.left() >= 5 && !bytes.isEmpty()) {
        const qsizetype at = qsizetype(input.number() % uint32_t(bytes.size()));
        bytes[at] = char(bytes.at(at) ^ input.byte());
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Setup& s = setup();
    Fuzz::Input input(data, size);
    const QByteArray copy = damaged(s.copy, input);
    FUZZ_CHECK(Fuzz::writeFile(s.copyPath, copy), "cannot write the copy");

    FileError error;
    bool fromCache = false;
    const auto converter = ConverterCache::load(s.config, s.cacheFolder, &error, &fromCache);
    FUZZ_CHECK(converter, "no converter: %s", error.description.toUtf8().constData());
    std::string tables;
    converter->appendTo(tables);
    FUZZ_CHECK(tables == s.tables, "the converter's tables differ (copy %s, %s)", fromCache ? "used" : "refused",
               Fuzz::hex(copy).c_str());
    if (!fromCache) {
        FUZZ_CHECK(Fuzz::readFile(s.copyPath) == s.copy, "a refused copy was not made again whole");
    }
    FUZZ_CHECK(filesIn(s.cacheFolder).size() == 1, "files left beside the copy");
    return 0;
}
