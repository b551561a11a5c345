#include "tap/recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tap/record_json.h"

namespace tevrak::tap {

Recorder::Recorder(const std::string &path, const std::string &hdt_path) : path_(path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) file_.reset(::fdopen(fd, "w"));
    if (!file_) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("cannot write the recording " + path + ": " + std::strerror(error));
    }
    std::ifstream hdt(hdt_path);
    std::ostringstream text;
    text << hdt.rdbuf();
    write_line(header_line(text.str()));
}

void Recorder::write(const protocol::tap::Record &record) {
    write_line(record_line(record));
    ++count_;
}

void Recorder::write_line(const std::string &line) {
    std::fwrite(line.data(), 1, line.size(), file_.get());
    std::fputc('\n', file_.get());
    std::fflush(file_.get());
}

}  // namespace tevrak::tap
