#include "support/target_command.h"

namespace tevrak::test {

std::vector<std::string> target_command(const std::string &program, std::vector<std::string> args) {
#ifdef TEVRAK_TEST_EMULATOR
    std::vector<std::string> command{TEVRAK_TEST_EMULATOR};
#else
    std::vector<std::string> command;
#endif
    command.push_back(program);
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

std::vector<char *> exec_argv(std::vector<std::string> &command) {
    std::vector<char *> argv;
    for (auto &word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    return argv;
}

bool under_emulator() {
#ifdef TEVRAK_TEST_EMULATOR
    return true;
#else
    return false;
#endif
}

}  // namespace tevrak::test
