#include "DictionaryConverter.h"

#include <QStringDecoder>

#include <opencc/Config.hpp>
#include <opencc/Conversion.hpp>
#include <opencc/ConversionChain.hpp>
#include <opencc/Converter.hpp>
#include <opencc/DictGroup.hpp>
#include <opencc/Exception.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MaxMatchSegmentation.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>

namespace {

std::size_t charLength(const char16_t* p, const char16_t* end) {
    return QChar::isHighSurrogate(p[0]) && p + 1 < end && QChar::isLowSurrogate(p[1]) ? 2 : 1;
}

std::size_t firstMatch(const std::vector<const PhraseTrie*>& dicts, const char16_t* p, const char16_t* end,
                       std::u16string_view* replacement, const PhraseTrie** matched = nullptr) {
    for (const PhraseTrie* dict : dicts) {
        if (const std::size_t length = dict->longestPrefix(p, end, replacement)) {
            if (matched)
                *matched = dict;
            return length;
        }
    }
    return 0;
}

// One conversion over one segment.
void convertWith(const std::vector<const PhraseTrie*>& dicts, std::u16string_view segment, std::u16string& out) {
    const char16_t* p = segment.data();
    const char16_t* const end = p + segment.size();
    const char16_t* unchanged = p;
    while (p < end) {
        std::u16string_view replacement;
        if (const std::size_t length = firstMatch(dicts, p, end, &replacement)) {
            out.append(unchanged, p);
            out.append(replacement);
            p += length;
            unchanged = p;
        } else {
            p += charLength(p, end);
        }
    }
    out.append(unchanged, end);
}

// Builds one trie per OpenCC dictionary (a dictionary the configuration names twice is built once)
// and lists a group's dictionaries in their order.
class TrieBuilder {
public:
    explicit TrieBuilder(std::vector<std::unique_ptr<PhraseTrie>>& tries) : m_tries(tries) {}

    void flatten(const opencc::DictPtr& dict, std::vector<const PhraseTrie*>& out) {
        if (const auto group = std::dynamic_pointer_cast<opencc::DictGroup>(dict)) {
            for (const opencc::DictPtr& member : group->GetDicts())
                flatten(member, out);
            return;
        }
        out.push_back(trieOf(*dict));
    }

private:
    const PhraseTrie* trieOf(const opencc::Dict& dict) {
        auto found = m_built.find(&dict);
        if (found != m_built.end())
            return found->second;
        auto trie = std::make_unique<PhraseTrie>();
        const opencc::LexiconPtr lexicon = dict.GetLexicon();
        std::size_t keyBytes = 0;
        for (const auto& entry : *lexicon)
            keyBytes += entry->KeyLength();
        // Most keys are Chinese: three UTF-8 bytes a code unit, and every code unit but a key's first
        // is an edge (fewer where keys share their beginning).
        trie->reserveEdges(keyBytes / 3 > lexicon->Length() ? keyBytes / 3 - lexicon->Length() : 0);
        for (const auto& entry : *lexicon) {
            const std::string key = entry->Key();
            const std::string value = entry->GetDefault();
            trie->insert(utf16(key, m_key), utf16(value, m_value));
        }
        const PhraseTrie* result = trie.get();
        m_tries.push_back(std::move(trie));
        m_built.emplace(&dict, result);
        return result;
    }

    std::u16string_view utf16(const std::string& utf8, std::u16string& buffer) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        buffer.resize(std::size_t(decoder.requiredSpace(qsizetype(utf8.size()))));
        QChar* start = reinterpret_cast<QChar*>(buffer.data());
        const QChar* end = decoder.appendToBuffer(start, QByteArrayView(utf8.data(), qsizetype(utf8.size())));
        return std::u16string_view(buffer.data(), std::size_t(end - start));
    }

    std::vector<std::unique_ptr<PhraseTrie>>& m_tries;
    std::map<const opencc::Dict*, const PhraseTrie*> m_built;
    std::u16string m_key;
    std::u16string m_value;
};

FileError libraryError(int number, const char* what) {
    return FileError::withText(number, QStringLiteral("OpenCC: ") + QString::fromUtf8(what));
}

} // namespace

std::unique_ptr<DictionaryConverter> DictionaryConverter::load(const std::string& config, FileError* error) {
    std::unique_ptr<DictionaryConverter> converter(new DictionaryConverter);
    try {
        opencc::Config reader;
        const opencc::ConverterPtr source = reader.NewFromFile(config);
        const auto segmentation = std::dynamic_pointer_cast<opencc::MaxMatchSegmentation>(source->GetSegmentation());
        if (!segmentation) {
            *error = FileError::withText(EINVAL, QStringLiteral("OpenCC: %1: only \"mmseg\" segmentation is supported")
                                                     .arg(QString::fromStdString(config)));
            return nullptr;
        }
        TrieBuilder builder(converter->m_tries);
        builder.flatten(segmentation->GetDict(), converter->m_segmentation);
        for (const opencc::ConversionPtr& conversion : source->GetConversionChain()->GetConversions()) {
            converter->m_stages.emplace_back();
            builder.flatten(conversion->GetDict(), converter->m_stages.back());
        }
    } catch (const opencc::FileNotFound& e) {
        *error = libraryError(ENOENT, e.what());
        return nullptr;
    } catch (const opencc::Exception& e) {
        *error = libraryError(EINVAL, e.what());
        return nullptr;
    } catch (const std::exception& e) {
        *error = libraryError(EINVAL, e.what());
        return nullptr;
    }
    if (!converter->m_stages.empty()) {
        for (const PhraseTrie* dict : converter->m_stages.front()) {
            const auto& segmentation = converter->m_segmentation;
            if (std::find(segmentation.begin(), segmentation.end(), dict) == segmentation.end())
                converter->m_firstStageUnmatched.push_back(dict);
        }
    }
    return converter;
}

void DictionaryConverter::convertSegment(std::u16string_view segment, const PhraseTrie* keyFrom,
                                         std::u16string_view keyReplacement, std::u16string& out) const {
    if (m_stages.empty()) {
        out.append(segment);
        return;
    }
    // A segment that is a key of the dictionary the first stage asks first: that stage finds the same key
    // over the whole segment, so its output is already known.
    const bool known = keyFrom && !m_stages.front().empty() && keyFrom == m_stages.front().front();
    const Dicts& first = keyFrom ? m_stages.front() : m_firstStageUnmatched;
    if (m_stages.size() == 1) {
        if (known)
            out.append(keyReplacement);
        else
            convertWith(first, segment, out);
        return;
    }
    // Scratch space that keeps its capacity from segment to segment.
    thread_local std::u16string current;
    thread_local std::u16string next;
    current.clear();
    if (known)
        current.append(keyReplacement);
    else
        convertWith(first, segment, current);
    for (std::size_t stage = 1; stage + 1 < m_stages.size(); ++stage) {
        next.clear();
        convertWith(m_stages[stage], current, next);
        current.swap(next);
    }
    convertWith(m_stages.back(), current, out);
}

void DictionaryConverter::convert(std::u16string_view text, const PhraseTrie* overrides, std::u16string& out) const {
    const char16_t* const begin = text.data();
    const char16_t* const end = begin + text.size();
    const char16_t* unmatched = begin;
    const char16_t* p = begin;
    auto flushUnmatched = [&] {
        if (p > unmatched)
            convertSegment(std::u16string_view(unmatched, std::size_t(p - unmatched)), nullptr, {}, out);
    };
    while (p < end) {
        std::u16string_view replacement;
        const PhraseTrie* keyFrom = nullptr;
        const std::size_t length = firstMatch(m_segmentation, p, end, &replacement, &keyFrom);
        std::u16string_view own;
        const std::size_t ownLength = overrides ? overrides->longestPrefix(p, end, &own) : 0;
        if (ownLength > 0 && ownLength >= length) {
            flushUnmatched();
            out.append(own);
            p += ownLength;
            unmatched = p;
        } else if (length > 0) {
            flushUnmatched();
            convertSegment(std::u16string_view(p, length), keyFrom, replacement, out);
            p += length;
            unmatched = p;
        } else {
            p += charLength(p, end);
        }
    }
    flushUnmatched();
}

std::size_t DictionaryConverter::memoryBytes() const {
    std::size_t bytes = 0;
    for (const auto& trie : m_tries)
        bytes += trie->memoryBytes();
    return bytes;
}

namespace {

void appendIndexes(std::string& out, const std::vector<const PhraseTrie*>& dicts,
                   const std::vector<std::unique_ptr<PhraseTrie>>& tries) {
    const std::uint32_t count = std::uint32_t(dicts.size());
    out.append(reinterpret_cast<const char*>(&count), sizeof count);
    for (const PhraseTrie* dict : dicts) {
        std::uint32_t index = 0;
        while (tries[index].get() != dict)
            ++index;
        out.append(reinterpret_cast<const char*>(&index), sizeof index);
    }
}

bool takeCount(std::string_view& bytes, std::uint32_t& value) {
    if (bytes.size() < sizeof value)
        return false;
    std::memcpy(&value, bytes.data(), sizeof value);
    bytes.remove_prefix(sizeof value);
    return true;
}

bool takeIndexes(std::string_view& bytes, std::vector<const PhraseTrie*>& dicts,
                 const std::vector<std::unique_ptr<PhraseTrie>>& tries) {
    std::uint32_t count = 0;
    if (!takeCount(bytes, count) || count > bytes.size() / sizeof count)
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t index = 0;
        if (!takeCount(bytes, index) || index >= tries.size())
            return false;
        dicts.push_back(tries[index].get());
    }
    return true;
}

} // namespace

void DictionaryConverter::appendTo(std::string& out) const {
    const std::uint32_t tries = std::uint32_t(m_tries.size());
    out.append(reinterpret_cast<const char*>(&tries), sizeof tries);
    for (const auto& trie : m_tries)
        trie->appendTo(out);
    appendIndexes(out, m_segmentation, m_tries);
    const std::uint32_t stages = std::uint32_t(m_stages.size());
    out.append(reinterpret_cast<const char*>(&stages), sizeof stages);
    for (const Dicts& stage : m_stages)
        appendIndexes(out, stage, m_tries);
    appendIndexes(out, m_firstStageUnmatched, m_tries);
}

std::unique_ptr<DictionaryConverter> DictionaryConverter::readFrom(std::string_view bytes) {
    std::unique_ptr<DictionaryConverter> converter(new DictionaryConverter);
    std::uint32_t tries = 0;
    if (!takeCount(bytes, tries) || tries > 1024)
        return nullptr;
    for (std::uint32_t i = 0; i < tries; ++i) {
        auto trie = std::make_unique<PhraseTrie>();
        if (!trie->readFrom(bytes))
            return nullptr;
        converter->m_tries.push_back(std::move(trie));
    }
    std::uint32_t stages = 0;
    if (!takeIndexes(bytes, converter->m_segmentation, converter->m_tries) || !takeCount(bytes, stages) ||
        stages > 1024)
        return nullptr;
    converter->m_stages.resize(stages);
    for (Dicts& stage : converter->m_stages) {
        if (!takeIndexes(bytes, stage, converter->m_tries))
            return nullptr;
    }
    if (!takeIndexes(bytes, converter->m_firstStageUnmatched, converter->m_tries) || !bytes.empty())
        return nullptr;
    return converter;
}
