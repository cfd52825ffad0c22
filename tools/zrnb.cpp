// zrnb: the Naive Bayes classifier on comma-separated files (ZRNBCommands.h).
#include "tools/ZRNBCommands.h"

int main(int argc, char** argv)
{
  return ZRNBMain(argc, argv);
}
