#pragma once
// The SDK's files next to the host executable: Para.ini (switches in section "SystemConfig"),
// SDKParameter.cfg (1 enables the trace file) and SDKTrace.txt.
#include <string>

namespace norvane::sdk::config {

/// Directory the files are looked up in: the host executable's, unless a test overrode it.
std::string Directory();
/// For tests: look the files up in directory instead ("" restores the executable's).
void SetDirectoryForTests(const std::string& directory);

// Para.ini. Init opens the file ("r+": it must exist); a missing file leaves the
// configuration closed and Get/Set then give -1. Calls are serialised internally.
int Init();
int Get(const char* key, int* value);
int Set(const char* key, int value);
int DeInit();

// Trace file, switched by the first-generation search and close.
/// Opens SDKTrace.txt for appending when SDKParameter.cfg holds 1; sets the trace flag.
void OpenTraceFileIfEnabled();
/// Flushes and closes the trace file and clears the flag.
void CloseTraceFile();
void FlushTraceFile();
bool TraceFlag();

/// The SDK's own trace format: when the trace flag is set, "%d %d " (second, millisecond)
/// and the caller's text (up to 512 characters) joined as "%s:%s " go to the trace sink.
void SdkTraceF(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace norvane::sdk::config
