// A recording: the header line, then one line per record, each flushed as
// it is written, so that a recorder killed midway loses at most the line it
// was writing.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "protocol/tap_record.h"

namespace tevrak::tap {

class Recorder {
public:
    // Creates or empties path (a link there is not followed) and writes the
    // header with the text of hdt_path. Throws std::runtime_error.
    Recorder(const std::string &path, const std::string &hdt_path);

    void write(const protocol::tap::Record &record);
    // Records written so far.
    std::size_t count() const { return count_; }

private:
    void write_line(const std::string &line);

    struct Closer {
        void operator()(std::FILE *file) const { std::fclose(file); }
    };
    std::string path_;
    std::unique_ptr<std::FILE, Closer> file_;
    std::size_t count_ = 0;
};

}  // namespace tevrak::tap
