// Runs the tyxgeo binary for the command-line tests and captures what it prints.
#pragma once
#include <string>
#include <vector>

struct CliResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

/// Runs tyxgeo with the arguments (each passed as one word) and the given standard input.
CliResult RunTyxgeo(const std::vector<std::string>& Args, const std::string& Stdin = "");
/// The same with standard input read from the file StdinFile.
CliResult RunTyxgeoFrom(const std::vector<std::string>& Args, const std::string& StdinFile);
/// Runs another program, looked up on PATH, the same way.
CliResult RunProgram(const std::string& Program, const std::vector<std::string>& Args, const std::string& Stdin = "");
/// Whether Program is found on PATH.
bool HaveProgram(const std::string& Program);
/// A fresh empty directory under the system's temporary directory, removed at process exit.
std::string CliTempDir();
