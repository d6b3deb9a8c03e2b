#ifndef ZAMCORE_TESTS_TOOLS_RKL_PROGRAM_H
#define ZAMCORE_TESTS_TOOLS_RKL_PROGRAM_H

// Running the rkl program as a user does, for the tests of the command line.
// RKL_PROGRAM names the program (set by the build).

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace rkl_test {

struct Outcome {
    int status;  // the exit status, -1 when the program did not exit
    std::string out;
    std::string err;
};

// `text` as one word for the shell.
inline std::string shellQuoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

inline std::string contentOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs rkl with `arguments` in `directory`, which keeps its output and errors
// in the files "out" and "err".
inline Outcome runRkl(const std::filesystem::path& directory,
                      const std::vector<std::string>& arguments) {
    std::string command =
        "cd " + shellQuoted(directory.string()) + " && " + shellQuoted(RKL_PROGRAM);
    for (const std::string& argument : arguments) {
        command += " " + shellQuoted(argument);
    }
    command += " >out 2>err";
    const int raw = std::system(command.c_str());
    return Outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, contentOf(directory / "out"),
                   contentOf(directory / "err")};
}

}  // namespace rkl_test

#endif
