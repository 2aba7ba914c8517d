#pragma once
// myrar's exit codes, one per kind of failure (the README lists them for users).

namespace myrar {

enum ExitCode : int {
    kExitOk = 0,
    kExitCannotOpen = 1,  // missing, locked or unreadable archive
    kExitNotArchive = 2,  // the file holds no RAR signature
    kExitDamaged = 3,     // truncated or corrupt headers, bad header CRC
    kExitPassword = 4,    // encrypted headers and a missing or wrong password
    kExitUsage = 5,       // unknown command or switch, missing argument
    kExitCannotWrite = 6, // comment file exists and is not overwritten, or write failed
    kExitUnsupported = 7, // format version, encryption or compressed comment not handled
};

} // namespace myrar
