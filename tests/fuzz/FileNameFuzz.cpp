// File names from bytes and back: any bytes a name can hold (all but NUL) decode to a text that
// encodes to the very same bytes, and any text at all encodes without a NUL and without a "/" it
// did not hold, so a name can never turn into a path or lose its end on the way to the file system.
//
// Input: one byte of flags (bit 0: the text half is raw UTF-16 units), then the bytes.

#include "FuzzSupport.h"
#include "platform/FileName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const bool raw = input.byte() & 1;
    const QByteArray rest = input.rest();
    const QByteArray bytes = QByteArray(rest).replace('\0', "");

    const QString name = FileName::decode(bytes);
    FUZZ_CHECK(FileName::encode(name) == bytes, "bytes did not survive: %s", Fuzz::hex(bytes).c_str());
    FUZZ_CHECK(FileName::isFaithful(name), "a decoded name is not faithful: %s", Fuzz::hex(bytes).c_str());

    const QString text = Fuzz::text(rest, raw);
    const QByteArray encoded = FileName::encode(text);
    FUZZ_CHECK(encoded.count('/') == text.count(u'/'), "slashes changed: %s", Fuzz::shown(text).c_str());
    FUZZ_CHECK(!encoded.contains('\0'), "a NUL in a path: %s", Fuzz::shown(text).c_str());
    if (FileName::isFaithful(text))
        FUZZ_CHECK(FileName::decode(encoded) == text, "a faithful text did not come back");
    return 0;
}
