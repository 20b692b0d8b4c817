// The settings readers over damaged files: any 34-byte record (or a short one) reads and clamps into
// the ranges the program works with, and clamping twice changes nothing; any "Custom.cfg" loads
// into lists of exactly the sizes the record gives; and what is written back reads back the same.
//
// Input: one byte giving how many record bytes follow (0..34), those bytes, then "Custom.cfg".

#include "FuzzSupport.h"
#include "core/AppState.h"
#include "core/Settings.h"
#include "platform/TextDecoder.h"
#include "platform/TextEncoder.h"

namespace {

bool inRange(const SettingsRec& r) {
    const auto flag = [](qint16 v) {
        return v == -1 || v == 0;
    };
    return flag(r.SaveStatus) && flag(r.DelLinks) && flag(r.BackupOn) && (r.StartMode == 0 || r.StartMode == 1) &&
           r.WinState >= 0 && r.WinState <= 2 && r.BackupTime >= 1 && r.BackupTime <= 7 && r.ParaLevel >= 0 &&
           r.ParaLevel <= 3 && r.RecentMax >= 0 && r.RecentMax <= 19 && r.PrefixMax >= 0 && r.PrefixMax <= 99;
}

// True when every value comes back from the UTF-8 that "Custom.cfg" is written in. Values read from
// a file in another encoding may not: bytes that did not decode there (kept as escapes) are written
// back as those bytes, and next to each other they can make UTF-8 that then reads as a character.
bool readsBackAsUtf8(const AppState& state) {
    const QStringList all = state.PrefixList + state.RecentList + QStringList{state.BackupFolder};
    for (const QString& value : all) {
        TextEncoder encoder(TextEncoding::Utf8);
        QByteArray bytes(TextEncoder::maxBytes(value.size()), '\0');
        qsizetype size = encoder.encode(reinterpret_cast<const char16_t*>(value.utf16()), value.size(), bytes.data());
        size += encoder.finish(bytes.data() + size);
        bytes.truncate(size);
        QString back(bytes.size(), Qt::Uninitialized);
        qsizetype written = 0;
        TextDecoder(TextEncoding::Utf8)
            .decode(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), true,
                    reinterpret_cast<char16_t*>(back.data()), &written);
        back.truncate(written);
        if (back != value)
            return false;
    }
    // A byte order mark at the very start would read as the file's BOM.
    return !all.first().startsWith(QChar(0xFEFF));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const QByteArray image = input.bytes(input.byte() % (SettingsRec::FileSize + 1));
    const QByteArray custom = input.rest();

    SettingsRec rec = SettingsRec::fromFileImage(image);
    const QString recordPath = Fuzz::scratchPath("Quillmar.cfg");
    FUZZ_CHECK(Fuzz::writeFile(recordPath, image), "cannot write the record");
    SettingsRec stored;
    const bool accepted = Settings::readRecord(recordPath, stored);
    FUZZ_CHECK(accepted == (rec.SaveStatus == -1), "acceptance does not follow the first field");
    FUZZ_CHECK(!accepted || stored == rec, "the record file reads differently from its image");

    rec.clamp();
    FUZZ_CHECK(inRange(rec), "clamped values out of range: %s", Fuzz::hex(image).c_str());
    SettingsRec again = rec;
    again.clamp();
    FUZZ_CHECK(again == rec, "clamping twice changed the record");
    FUZZ_CHECK(SettingsRec::fromFileImage(rec.toFileImage()) == rec, "the image does not read back");

    const QString customPath = Fuzz::scratchPath("Custom.cfg");
    FUZZ_CHECK(Fuzz::writeFile(customPath, custom), "cannot write the list file");
    AppState state;
    state.Settings = rec;
    FUZZ_CHECK(Settings::readCustom(customPath, state), "the list file did not load");
    FUZZ_CHECK(state.PrefixList.size() == rec.PrefixMax + 1 && state.RecentList.size() == rec.RecentMax + 1,
               "lists not sized by the record");
    for (const QString& value : state.PrefixList + state.RecentList + QStringList{state.BackupFolder})
        FUZZ_CHECK(!value.contains(u'\r'), "a value holds a CR");

    if (!readsBackAsUtf8(state))
        return 0;
    const QString rewritten = Fuzz::scratchPath("Custom2.cfg");
    FUZZ_CHECK(Settings::writeCustom(rewritten, state), "the list file could not be written");
    AppState reread;
    reread.Settings = rec;
    FUZZ_CHECK(Settings::readCustom(rewritten, reread), "the written list file did not load");
    FUZZ_CHECK(reread.PrefixList == state.PrefixList && reread.RecentList == state.RecentList &&
                   reread.BackupFolder == state.BackupFolder,
               "the list file did not read back as written: %s", Fuzz::hex(custom).c_str());
    return 0;
}
