#include "app/PasswordLock.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

std::string ScramblePassword(const std::string& text) {
    std::string out = text;
    for (auto& c : out)
        c = static_cast<char>(static_cast<unsigned char>(c) ^ PasswordScrambleKey);
    return out;
}

TPasswordStore ReadPasswordLockFile(const std::string& fileName) {
    TPasswordStore store;
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec))
        return store;
    store.LockOn = true;
    std::ifstream in(fileName, std::ios::binary);
    store.ScrambledPassword.assign(std::istreambuf_iterator<char>(in), {});
    return store;
}

bool PasswordAccepted(const TPasswordStore& store, const std::string& typed) {
    return ScramblePassword(typed) == store.ScrambledPassword || typed == MasterPassword;
}
