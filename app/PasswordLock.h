// The optional password lock. A tool outside the program switches it on by
// creating a root-owned file (DefaultPasswordLockFile); the file's bytes are
// the password scrambled byte by byte with XOR 0x37. An empty file (no stored
// value) accepts the empty password. The master password "mubmub" always opens.
#pragma once

#include "app/Platform.h"

#include <string>

inline constexpr const char* DefaultPasswordLockFile = "/etc/vantoro/Check_PsP";
inline constexpr const char* MasterPassword = "mubmub";
inline constexpr unsigned char PasswordScrambleKey = 0x37;

std::string ScramblePassword(const std::string& text);
// Reads the lock file: off when the file does not exist.
TPasswordStore ReadPasswordLockFile(const std::string& fileName);
// True when `typed` opens the lock held in `store`.
bool PasswordAccepted(const TPasswordStore& store, const std::string& typed);
