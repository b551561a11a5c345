// A private robot folder for one test: <tmp>/bin/hdt.txt, <tmp>/bin/usbSearch
// and <tmp>/bin/ir/, with every library path moved there, the default serial
// port included (<tmp>/dev/ttyACM0, which does not exist unless a test makes
// it). Removed again when the test ends.
#pragma once

#include <string>
#include <string_view>

namespace tevrak::test {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome &) = delete;
    TempHome &operator=(const TempHome &) = delete;

    const std::string &root() const { return root_; }
    std::string bin() const { return root_ + "/bin"; }
    std::string hdt_path() const { return root_ + "/bin/hdt.txt"; }

    // Writes bin/hdt.txt with the given text.
    void write_hdt(std::string_view text) const;
    void remove_hdt() const;
    // Writes bin/usbSearch as a script that prints exactly listing.
    void write_listing(std::string_view listing) const;
    // Writes any file below the root (folders are created).
    void write_file(std::string_view relative, std::string_view text) const;

private:
    std::string root_;
};

// Reads a whole file; empty when it cannot be read.
std::string read_file(const std::string &path);

// Number of open descriptors of this process.
int open_descriptor_count();

}  // namespace tevrak::test
