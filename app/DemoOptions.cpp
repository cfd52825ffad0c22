#include "app/DemoOptions.h"

#include <charconv>

EDemoUsage::~EDemoUsage() = default;

namespace {

std::uint64_t ParseSeed(const std::string& AText)
{
  std::uint64_t Value = 0;
  const char* First = AText.data();
  const char* Last = First + AText.size();
  // from_chars takes no sign and no blanks, so "-1", "+1" and " 1" fail here.
  const auto [End, Error] = std::from_chars(First, Last, Value);
  if (AText.empty() || Error != std::errc() || End != Last)
    throw EDemoUsage("--seed: '" + AText + "' is not a whole number from 0 to 18446744073709551615");
  return Value;
}

} // namespace

TDemoOptions ParseDemoOptions(const std::vector<std::string>& AArgs)
{
  TDemoOptions O;
  bool SeedSeen = false;
  for (std::size_t I = 0; I < AArgs.size(); ++I) {
    const std::string& Arg = AArgs[I];
    if (Arg == "--help" || Arg == "-h") {
      O.Help = true;
      continue;
    }
    std::string Name = Arg;
    std::optional<std::string> Value;
    if (const std::size_t Eq = Arg.find('='); Arg.rfind("--", 0) == 0 && Eq != std::string::npos) {
      Name = Arg.substr(0, Eq);
      Value = Arg.substr(Eq + 1);
    }
    if (Name != "--seed" && Name != "--output" && Name != "--screenshot") {
      if (Arg.rfind("-", 0) == 0)
        throw EDemoUsage("unknown option '" + Arg + "'");
      throw EDemoUsage("unexpected argument '" + Arg + "'");
    }
    if (!Value) {
      if (I + 1 == AArgs.size())
        throw EDemoUsage(Name + " needs a value");
      Value = AArgs[++I];
    }
    if (Name == "--seed") {
      if (SeedSeen)
        throw EDemoUsage("--seed given twice");
      SeedSeen = true;
      O.Seed = ParseSeed(*Value);
      continue;
    }
    std::string& File = Name == "--output" ? O.OutputFile : O.ScreenshotFile;
    if (Value->empty())
      throw EDemoUsage(Name + " needs a file name");
    if (!File.empty())
      throw EDemoUsage(Name + " given twice");
    File = *Value;
  }
  return O;
}

std::string DemoUsage()
{
  return "Usage: ZRNaiveBayesDemo [--seed N]\n"
         "       ZRNaiveBayesDemo --output FILE.png [--seed N]\n"
         "       ZRNaiveBayesDemo --screenshot FILE.png [--seed N]\n"
         "\n"
         "Without arguments: opens the window. Each press of \"Run\" draws three random\n"
         "clusters of 50 points, trains a Naive Bayes classifier on them, paints the\n"
         "class of every pixel of the 500 x 500 plane and marks the training points.\n"
         "\n"
         "  --seed N           seed the random numbers with N (0..18446744073709551615)\n"
         "                     instead of the clock; the same N gives the same picture\n"
         "  --output FILE      perform one Run without showing a window and write the\n"
         "                     500 x 500 picture to FILE as PNG (no display needed)\n"
         "  --screenshot FILE  perform one Run in an off-screen window and write an\n"
         "                     image of the whole window to FILE as PNG\n"
         "  --help, -h         show this text\n"
         "\n"
         "Exit status: 0 done, 1 the run or writing the file failed, 2 bad arguments.\n";
}
