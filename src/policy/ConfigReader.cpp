#include "policy/ConfigReader.h"

#include <cctype>

#include "support/Log.h"

int ConfigReader::NextByte() {
    if (blockOffset_ == blockLength_) {
        if (readFailed_) return -1;
        const ssize_t got = file_.Read(block_, sizeof block_);
        if (got <= 0) {
            readFailed_ = got < 0;
            return -1;
        }
        blockLength_ = static_cast<int>(got);
        blockOffset_ = 0;
    }
    return static_cast<unsigned char>(block_[blockOffset_++]);
}

namespace {

// What a line is to the parser, told by its first character after blanks.
enum class LineKind { kBlankOrComment, kSection, kKey };

LineKind KindOf(const char* line, int length) {
    int at = 0;
    while (at < length && isspace(static_cast<unsigned char>(line[at]))) ++at;
    if (at == length || line[at] == ';' || line[at] == '#') return LineKind::kBlankOrComment;
    return line[at] == '[' ? LineKind::kSection : LineKind::kKey;
}

}  // namespace

char* ConfigReader::ReadLine(char* buffer, int size, void* stream) {
    auto* reader = static_cast<ConfigReader*>(stream);
    if (size < 2) return nullptr;
    // The longest line the parser can take whole: its buffer less the NUL.
    const int capacity = size - 1;
    int length = 0;
    bool tooLong = false;
    int c = reader->NextByte();
    if (c < 0) return nullptr;
    while (c >= 0 && c != '\n') {
        if (length < capacity) {
            buffer[length++] = static_cast<char>(c);
        } else {
            tooLong = true;
        }
        c = reader->NextByte();
    }
    if (reader->readFailed_) return nullptr;
    const int number = ++reader->lineNumber_;
    const LineKind kind = KindOf(buffer, length);
    if (tooLong) {
        PPC_LOG_ERROR("ConfigReader", "line %d of %s is longer than %d bytes and is ignored whole\n", number,
                      reader->path_.c_str(), capacity);
        Note(reader->report_, LoadSource::kConfiguration, LoadReason::kLineTooLong, reader->path_, number, [capacity] {
            return "longer than " + std::to_string(capacity) +
                   " bytes: ignored whole, so no part of it sets a key or opens a section";
        });
        // The keys after a section header that could not be read belong to
        // that section, not to the one before it.
        if (kind == LineKind::kSection) reader->ignoredHeaderLine_ = number;
        length = 0;
    } else if (kind == LineKind::kSection) {
        reader->ignoredHeaderLine_ = 0;
    } else if (kind == LineKind::kKey && reader->ignoredHeaderLine_ != 0) {
        const int header = reader->ignoredHeaderLine_;
        PPC_LOG_WARN("ConfigReader", "line %d of %s is in the section whose header on line %d was ignored\n",
                     number, reader->path_.c_str(), header);
        Note(reader->report_, LoadSource::kConfiguration, LoadReason::kUnknownSection, reader->path_, number,
             [header] {
                 return "ignored: its section's header on line " + std::to_string(header) +
                        " is too long to be read, so the key cannot go to any section";
             });
        length = 0;
    }
    // The newline goes with the line when there is room; the parser strips
    // it either way.
    if (c == '\n' && length < capacity) buffer[length++] = '\n';
    buffer[length] = '\0';
    return buffer;
}

int ConfigReader::Parse(ini_handler handler, void* user) {
    const int parsed = ini_parse_stream(&ConfigReader::ReadLine, this, handler, user);
    if (readFailed_) {
        Note(report_, LoadSource::kConfiguration, LoadReason::kReadFailed, path_, lineNumber_ + 1, [this] {
            return "reading failed here (" + file_.Problem() + "): the file was taken as ending before this line";
        });
    }
    return parsed;
}
