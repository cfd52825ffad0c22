//===- tools/ZROutputFile.h - All-or-nothing output -------------*- C++ -*-===//
///
/// \file
/// `TZROutputFile` collects what a command prints and makes it visible only on
/// `Commit`, so that a command that fails halfway leaves nothing behind:
///
/// - to a file: the text goes, in large blocks, into a temporary file in the
///   destination's folder (".NAME.XXXXXX"), which Commit syncs and renames
///   onto the destination in one step. Without Commit (an error, an
///   exception) the temporary file is removed and an existing destination
///   keeps its old contents. SIGINT, SIGTERM, SIGHUP and SIGPIPE remove it too;
/// - to standard output: the text is held in memory and written by Commit.
///
/// \code
///   TZROutputFile Out(Path);            // "-" or "" for standard output
///   Out.Append("1\n");
///   Out.Commit();                        // now Path holds "1\n"
/// \endcode
///
/// Thread safety: none. One file output may be open at a time (the signal
/// handler knows one temporary file).
///
//===----------------------------------------------------------------------===//
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class TZROutputFile
{
public:
  /// Standard output for "" and "-"; otherwise a temporary file beside APath.
  /// Raises EFCreateError "PATH: cannot create: REASON".
  explicit TZROutputFile(const std::string& APath);
  /// Without Commit: removes the temporary file (a file output) or drops the
  /// text (standard output).
  ~TZROutputFile();
  TZROutputFile(const TZROutputFile&) = delete;
  TZROutputFile& operator=(const TZROutputFile&) = delete;

  /// Room for AMax bytes at the end of the text; Advance(N) keeps the first N.
  char* Space(std::size_t AMax)
  {
    if (FBuffer.size() - FUsed < AMax)
      MakeRoom(AMax);
    return FBuffer.data() + FUsed;
  }
  void Advance(std::size_t AUsed) noexcept { FUsed += AUsed; }
  void Append(std::string_view AText)
  {
    std::memcpy(Space(AText.size()), AText.data(), AText.size());
    FUsed += AText.size();
  }
  void Append(char AChar) { *Space(1) = AChar, ++FUsed; }

  /// Makes the text visible: renames the temporary file onto the destination,
  /// or writes the text to standard output. Raises EWriteError "PATH: cannot
  /// write: REASON" (the temporary file is then removed).
  void Commit();

private:
  /// Writes out what is held (a file output) or grows the buffer, so that
  /// AMax more bytes fit.
  void MakeRoom(std::size_t AMax);
  void WriteHeld();
  [[noreturn]] void FailWrite(int AErrno);
  void RemoveTemporary() noexcept;

  std::string FPath;          // the destination; empty for standard output
  std::string FTemporary;     // the temporary file while it exists
  int FFd = -1;               // owned: the temporary file, or standard output (not owned)
  std::vector<char> FBuffer;  // FBuffer[0, FUsed) is not written yet
  std::size_t FUsed = 0;
  bool FCommitted = false;
};
