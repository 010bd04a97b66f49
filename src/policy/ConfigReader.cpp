#include "policy/ConfigReader.h"

#include "support/Log.h"

char* ConfigReader::ReadLine(char* buffer, int size, void* stream) {
    auto* reader = static_cast<ConfigReader*>(stream);
    if (size < 2) return nullptr;
    // The longest line the parser can take whole: its buffer less the NUL.
    const int capacity = size - 1;
    reader->longestLine_ = capacity;
    int length = 0;
    bool tooLong = false;
    int c = getc_unlocked(reader->file_);
    if (c == EOF) return nullptr;
    while (c != EOF && c != '\n') {
        if (length < capacity) {
            buffer[length++] = static_cast<char>(c);
        } else {
            tooLong = true;
        }
        c = getc_unlocked(reader->file_);
    }
    ++reader->lineNumber_;
    if (tooLong) {
        ++reader->longLines_;
        PPC_LOG_ERROR("ConfigReader",
                      "line %d of %s is longer than %d bytes and is ignored whole\n",
                      reader->lineNumber_, reader->path_.c_str(), capacity);
        length = 0;
    }
    // The newline goes with the line when there is room; the parser strips
    // it either way.
    if (c == '\n' && length < capacity) buffer[length++] = '\n';
    buffer[length] = '\0';
    return buffer;
}

int ConfigReader::Parse(ini_handler handler, void* user) {
    return ini_parse_stream(&ConfigReader::ReadLine, this, handler, user);
}

int ParseConfigFile(FILE* file, const std::string& path, ini_handler handler, void* user) {
    ConfigReader reader(file, path);
    return reader.Parse(handler, user);
}
