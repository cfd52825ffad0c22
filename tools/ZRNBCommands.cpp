#include "tools/ZRNBCommands.h"

#include "buffers/QDInternalStore.h"
#include "buffers/QDSimpleDataBuffer.h"
#include "classifier/QDFilterTypes.h"
#include "classifier/ZRNaiveBayes.h"
#include "tools/ZRCsvReader.h"
#include "tools/ZROutputFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum : int
{
  ExitDone = 0,
  ExitFailure = 1,
  ExitBadInput = 2,
};

/// A command line zrnb does not understand; the message is complete, hint
/// included.
class EZRUsageError : public Exception
{
public:
  EZRUsageError(const std::string& ACommand, const std::string& AWhat)
      : Exception("zrnb: " + AWhat + "\nTry 'zrnb " + (ACommand.empty() ? "" : ACommand + " ") + "--help'.")
  {
  }
};

// ---------------------------------------------------------------------------
// Help
// ---------------------------------------------------------------------------

constexpr const char* MainHelp = R"(zrnb: a normal (Gaussian) Bayes classifier for numbers in comma-separated files

Usage:
  zrnb predict --train TRAIN.csv [--label-column K] [--scores] [--output FILE] INPUT.csv
  zrnb evaluate --train TRAIN.csv [--label-column K] TEST.csv
  zrnb --help
  zrnb COMMAND --help

Commands:
  predict   train on TRAIN.csv, then print the predicted label of every row of
            INPUT.csv
  evaluate  train on TRAIN.csv, then classify the labelled rows of TEST.csv and
            print the number of rows, the accuracy and the confusion matrix

Files:
  One sample per line, numbers separated by commas; spaces around a number are
  allowed. TRAIN.csv and TEST.csv are labelled: the label is the last column,
  or column K (counted from 0) with --label-column K, and every other column is
  a feature. INPUT.csv holds the features only, as many as TRAIN.csv has.
  Blank lines are skipped and \r\n line ends work. The first line is a header,
  and is skipped, when none of its fields is a number. '-' reads standard input
  (for one of the files).

  Labels are any numbers and are compared exactly; a label prints in the
  shortest form that reads back to the same number (1.0 prints as 1). Every
  value of TRAIN.csv, and every label, must be a finite number.

Example:
  $ printf 'size,class\n1.0,1\n1.2,1\n0.8,1\n3.0,2\n3.4,2\n2.6,2\n' > train.csv
  $ printf '1.1\n2.9\n2.0\n' > input.csv
  $ zrnb predict --train train.csv input.csv
  1
  2
  2

Exit status:
  0  done
  1  the classifier's library failed (for example "Can't load libJXOpenCV2.so")
     or the output could not be written
  2  bad command line or bad input: the message names the file, the line and
     the column (counted from 1), and nothing is written
)";

constexpr const char* PredictHelp = R"(Usage: zrnb predict --train TRAIN.csv [--label-column K] [--scores] [--output FILE] INPUT.csv

Trains the classifier on the labelled rows of TRAIN.csv, then prints the
predicted label of every row of INPUT.csv, one per line, in the order of the
rows. INPUT.csv has no label: its rows have as many columns as TRAIN.csv has
features. A row the classifier refuses (a feature that is not a number, say)
is bad input.

Options:
  --train TRAIN.csv  the training file (required); its label is the last column
  --label-column K   the label is column K of TRAIN.csv, counted from 0
  --scores           after the label, the score of every class, comma-separated,
                     with 17 significant digits, classes in the order their
                     labels first appear in TRAIN.csv. A score is ln det of the
                     class's covariance plus the squared Mahalanobis distance:
                     the smallest score wins
  --output FILE      write to FILE instead of standard output. FILE appears, in
                     one step, once every row is classified; after an error it
                     is as it was before
  --help             this text

Nothing is printed before every row is classified. '-' for TRAIN.csv or
INPUT.csv reads standard input.

Example:
  $ printf 'size,class\n1.0,1\n1.2,1\n0.8,1\n3.0,2\n3.4,2\n2.6,2\n' > train.csv
  $ printf '1.1\n2.9\n2.0\n' > input.csv
  $ zrnb predict --train train.csv --scores input.csv
  1,-2.9688758248681992,20.72991853625167
  2,87.031124175131708,-1.7700814637483093
  2,21.781124175131779,4.4174185362516853
)";

constexpr const char* EvaluateHelp = R"(Usage: zrnb evaluate --train TRAIN.csv [--label-column K] TEST.csv

Trains the classifier on the labelled rows of TRAIN.csv, classifies every row
of TEST.csv, which is labelled in the same column, and prints the number of
rows, the accuracy (correct predictions / rows) and the confusion matrix: a
row per true label, a column per predicted label, each cell the number of
rows of that true label predicted so. Labels are in the order they first
appear in TRAIN.csv. A label of TEST.csv that TRAIN.csv lacks follows them,
marked '*'; the classifier cannot predict it, so its rows count as wrong.

Options:
  --train TRAIN.csv  the training file (required); its label is the last column
  --label-column K   the label is column K of TRAIN.csv and TEST.csv, counted
                     from 0
  --help             this text

'-' for TRAIN.csv or TEST.csv reads standard input.

Example:
  $ printf 'size,class\n1.0,1\n1.2,1\n0.8,1\n3.0,2\n3.4,2\n2.6,2\n' > train.csv
  $ printf '1.1,1\n2.9,2\n2.0,1\n0.9,1\n' > test.csv
  $ zrnb evaluate --train train.csv test.csv
  rows: 4
  accuracy: 0.75 (3 of 4)
  confusion matrix (rows: true label, columns: predicted label):
     1  2
  1  2  1
  2  0  1
)";

// ---------------------------------------------------------------------------
// The command line
// ---------------------------------------------------------------------------

struct TOptions
{
  std::string Command; // "predict" or "evaluate"; empty with the main --help
  bool Help = false;
  std::string Train;
  std::string Data;   // INPUT.csv or TEST.csv
  std::string Output; // empty: standard output
  bool HasLabelColumn = false;
  std::size_t LabelColumn = 0;
  bool Scores = false;
};

std::size_t ParseColumn(const std::string& ACommand, const std::string& AText)
{
  std::size_t K = 0;
  const char* End = AText.data() + AText.size();
  const std::from_chars_result R = std::from_chars(AText.data(), End, K);
  if (AText.empty() || R.ec != std::errc() || R.ptr != End)
    throw EZRUsageError(ACommand, "--label-column needs a column number counted from 0, not '" + AText + "'");
  return K;
}

TOptions ParseOptions(int AArgc, const char* const* AArgv)
{
  TOptions O;
  if (AArgc < 2)
    throw EZRUsageError("", "no command");
  const std::string_view First = AArgv[1];
  if (First == "--help" || First == "-h") {
    O.Help = true;
    return O;
  }
  if (First != "predict" && First != "evaluate")
    throw EZRUsageError("", "unknown command '" + std::string(First) + "'");
  O.Command = First;
  const bool Predict = O.Command == "predict";

  // --help wins over anything else on the line.
  for (int I = 2; I < AArgc; ++I) {
    const std::string_view A = AArgv[I];
    if (A == "--")
      break;
    if (A == "--help" || A == "-h") {
      O.Help = true;
      return O;
    }
  }

  std::vector<std::string> Files;
  bool SeenTrain = false, SeenOutput = false, OptionsEnd = false;
  for (int I = 2; I < AArgc; ++I) {
    const std::string_view A = AArgv[I];
    if (OptionsEnd || A == "-" || !A.starts_with("-")) {
      Files.emplace_back(A);
      continue;
    }
    if (A == "--") {
      OptionsEnd = true;
      continue;
    }
    std::string_view Name = A;
    std::string_view Value;
    bool HasValue = false;
    if (const std::size_t Eq = A.find('='); A.starts_with("--") && Eq != std::string_view::npos) {
      Name = A.substr(0, Eq);
      Value = A.substr(Eq + 1);
      HasValue = true;
    }
    const std::string N(Name);
    auto Once = [&](bool& ASeen) {
      if (ASeen)
        throw EZRUsageError(O.Command, N + " is given twice");
      ASeen = true;
    };
    auto TakeValue = [&](const char* AWhat) {
      std::string V;
      if (HasValue)
        V = Value;
      else if (I + 1 < AArgc)
        V = AArgv[++I];
      else
        throw EZRUsageError(O.Command, N + " needs " + AWhat);
      if (V.empty())
        throw EZRUsageError(O.Command, N + " needs " + AWhat);
      return V;
    };
    if (Name == "--train") {
      Once(SeenTrain);
      O.Train = TakeValue("a file name");
    } else if (Name == "--label-column") {
      Once(O.HasLabelColumn);
      O.LabelColumn = ParseColumn(O.Command, TakeValue("a column number"));
    } else if (Predict && Name == "--scores") {
      if (HasValue)
        throw EZRUsageError(O.Command, "--scores takes no value");
      Once(O.Scores);
    } else if (Predict && Name == "--output") {
      Once(SeenOutput);
      O.Output = TakeValue("a file name");
    } else {
      throw EZRUsageError(O.Command, "unknown option '" + std::string(A) + "'");
    }
  }

  const char* DataName = Predict ? "INPUT.csv" : "TEST.csv";
  if (!SeenTrain)
    throw EZRUsageError(O.Command, O.Command + " needs --train TRAIN.csv");
  if (Files.empty())
    throw EZRUsageError(O.Command, O.Command + " needs " + DataName);
  if (Files.size() > 1)
    throw EZRUsageError(O.Command, "one " + std::string(DataName) + " only; '" + Files[1] + "' is one too many");
  O.Data = Files.front();
  if (O.Data.empty())
    throw EZRUsageError(O.Command, std::string(DataName) + " needs a file name");
  if (O.Train == "-" && O.Data == "-")
    throw EZRUsageError(O.Command, "'-' (standard input) can stand for one file only");
  if (O.Output == "-")
    O.Output.clear();
  return O;
}

// ---------------------------------------------------------------------------
// Training
// ---------------------------------------------------------------------------

/// TRAIN.csv as it was read: rows of features and their labels.
struct TTrainingSet
{
  std::string Name;            // as messages name the file
  std::size_t Columns = 0;     // of a labelled row
  std::size_t LabelColumn = 0; // from 0
  std::size_t Rows = 0;
  std::vector<Real> Features;  // Rows x (Columns - 1), row after row
  std::vector<Real> Labels;    // one per row
};

/// The label column for rows as wide as the row ARow just read.
std::size_t LabelColumnOf(const TZRCsvReader& ARow, const TOptions& AOptions)
{
  const std::size_t Columns = ARow.Columns();
  if (Columns < 2)
    ARow.Fail("1 column, but a labelled row needs a label and at least one feature");
  if (!AOptions.HasLabelColumn)
    return Columns - 1;
  if (AOptions.LabelColumn >= Columns)
    ARow.Fail("--label-column " + std::to_string(AOptions.LabelColumn) + ": the row has only " +
              std::to_string(Columns) + " columns (0 to " + std::to_string(Columns - 1) + ")");
  return AOptions.LabelColumn;
}

void RequireFinite(const TZRCsvReader& ARow, std::size_t AColumn)
{
  if (!std::isfinite(ARow.Values()[AColumn]))
    ARow.FailColumn(AColumn, TZRCsvReader::Quote(ARow.FieldText(AColumn)) + " is not a finite number");
}

/// Copies the features of a labelled row to AFeatures and returns its label.
Real SplitRow(const Real* AValues, std::size_t AColumns, std::size_t ALabelColumn, Real* AFeatures) noexcept
{
  for (std::size_t C = 0; C < AColumns; ++C)
    if (C != ALabelColumn)
      *AFeatures++ = AValues[C];
  return AValues[ALabelColumn];
}

TTrainingSet ReadTrainingSet(TZRCsvReader& AReader, const TOptions& AOptions)
{
  TTrainingSet T;
  T.Name = AReader.Name();
  while (AReader.NextRow()) {
    if (T.Rows == 0) {
      T.Columns = AReader.Columns();
      T.LabelColumn = LabelColumnOf(AReader, AOptions);
    }
    for (std::size_t C = 0; C < T.Columns; ++C)
      RequireFinite(AReader, C);
    const std::size_t At = T.Features.size();
    T.Features.resize(At + T.Columns - 1);
    T.Labels.push_back(SplitRow(AReader.Values(), T.Columns, T.LabelColumn, T.Features.data() + At));
    ++T.Rows;
  }
  if (T.Rows == 0)
    throw EZRInputError(T.Name + ": no data rows");
  // One matrix holds every training value.
  const std::size_t Limit = QDMaxBlockSize / sizeof(Real);
  if (T.Features.size() > Limit)
    throw EZRInputError(T.Name + ": " + std::to_string(T.Features.size()) +
                        " feature values, more than the classifier's matrix holds (" + std::to_string(Limit) + ")");
  return T;
}

/// Trains AModel on ASet and frees ASet's rows.
void TrainOn(TZRNaiveBayes& AModel, TTrainingSet& ASet)
{
  const Cardinal Rows = static_cast<Cardinal>(ASet.Rows);
  const Cardinal Features = static_cast<Cardinal>(ASet.Columns - 1);
  TRef<TQDRealMatrixBuffer> Matrix = TQDRealMatrixBuffer::CreateSize(Rows, Features);
  std::memcpy(Matrix->Write(), ASet.Features.data(), ASet.Features.size() * sizeof(Real));
  TRef<TQDRealBuffer> Labels = TQDRealBuffer::CreateData(ASet.Labels.data(), Rows);
  std::vector<Real>().swap(ASet.Features);
  std::vector<Real>().swap(ASet.Labels);
  try {
    AModel.Train(Matrix->GetMatArrayIntf(), Labels, false);
  } catch (const EZRClassifierError& E) {
    throw EZRInputError(ASet.Name + ": " + E.Message());
  }
}

// ---------------------------------------------------------------------------
// Classifying
// ---------------------------------------------------------------------------

/// The shortest text that reads back to AValue.
std::string NumberText(Real AValue)
{
  char Buf[32];
  const std::to_chars_result R = std::to_chars(Buf, Buf + sizeof Buf, AValue);
  return std::string(Buf, R.ptr);
}

/// The model's labels in class-index order, as the first result list shows
/// them, with their texts.
class TLabelTable
{
public:
  bool Empty() const noexcept { return FLabels.empty(); }
  std::size_t Count() const noexcept { return FLabels.size(); }
  void Learn(TZRNaiveBayesResult& AResult)
  {
    for (Integer I = 0; I < AResult.GetCount(); ++I)
      Add(AResult.GetItem(I)->GetResultClass());
  }
  void Add(Real ALabel)
  {
    FLabels.push_back(ALabel);
    FTexts.push_back(NumberText(ALabel));
  }
  /// The index of the first label equal to ALabel (exact, as the classifier
  /// compares), or Count().
  std::size_t Find(Real ALabel) const noexcept
  {
    std::size_t I = 0;
    while (I < FLabels.size() && !(FLabels[I] == ALabel))
      ++I;
    return I;
  }
  const std::string& Text(std::size_t AIndex) const noexcept { return FTexts[AIndex]; }

private:
  std::vector<Real> FLabels;
  std::vector<std::string> FTexts;
};

/// Predict, with a refusal as bad input of the row ARow just read.
void Classify(TZRNaiveBayes& AModel, const TRef<IQDRealBuffer>& AFeatures, const TZRCsvReader& ARow)
{
  try {
    AModel.Predict(AFeatures);
  } catch (const EZRClassifierError& E) {
    ARow.Fail("the classifier refuses this row: " + E.Message());
  }
}

/// Opens the files in the order their errors are reported.
struct TFiles
{
  TZRCsvReader Train;
  TZRCsvReader Data;
  TZROutputFile Output;

  explicit TFiles(const TOptions& AOptions)
      : Train(AOptions.Train), Data(AOptions.Data), Output(AOptions.Output)
  {
  }
};

/// One line per result: the label, and with AScores every class's score.
class TPredictPrinter
{
public:
  TPredictPrinter(TZROutputFile& AOut, bool AScores) : FOut(AOut), FScores(AScores) {}

  void OnResult(TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult* AResult)
  {
    if (FLabels.Empty())
      FLabels.Learn(*AResult);
    FOut.Append(FLabels.Text(FLabels.Find(AResult->GetResultClass())));
    if (!FScores)
      return;
    constexpr std::size_t MaxScore = 32; // "-1.2345678901234567e-308" and more
    for (Integer I = 0; I < AResult->GetCount(); ++I) {
      char* P = FOut.Space(MaxScore + 1);
      *P = ',';
      const std::to_chars_result R =
          std::to_chars(P + 1, P + 1 + MaxScore, AResult->GetItem(I)->GetProbability(), std::chars_format::general, 17);
      FOut.Advance(static_cast<std::size_t>(R.ptr - P));
    }
  }

private:
  TZROutputFile& FOut;
  bool FScores;
  TLabelTable FLabels;
};

int RunPredict(const TOptions& AOptions)
{
  TFiles Files(AOptions);
  TTrainingSet Set = ReadTrainingSet(Files.Train, AOptions);
  const std::size_t N = Set.Columns - 1;
  TZRNaiveBayes Model;
  TrainOn(Model, Set);

  Files.Data.ExpectColumns(N, "(the features of " + Set.Name + ")");
  TPredictPrinter Printer(Files.Output, AOptions.Scores);
  Model.SetOnResult(TZRNaiveBayesResultEvent::Method<&TPredictPrinter::OnResult>(&Printer));
  // One buffer for every row. Nothing else holds it (the handler keeps no
  // reference) and Predict only reads it, so the pointer Write gives stays
  // valid for the whole loop.
  const TRef<TQDRealBuffer> Row = TQDRealBuffer::CreateSize(static_cast<Cardinal>(N));
  const TRef<IQDRealBuffer> RowIntf(Row);
  Real* const RowData = Row->Write();
  while (Files.Data.NextRow()) {
    std::memcpy(RowData, Files.Data.Values(), N * sizeof(Real));
    Classify(Model, RowIntf, Files.Data);
    Files.Output.Append('\n');
  }
  Model.SetOnResult({});
  Files.Output.Commit();
  return ExitDone;
}

/// Counts true against predicted labels.
class TConfusion
{
public:
  void OnResult(TObject*, const TRef<IQDRealBuffer>&, TZRNaiveBayesResult* AResult)
  {
    if (FLabels.Empty()) {
      FLabels.Learn(*AResult);
      FTrainingLabels = FLabels.Count();
      FCells.assign(FTrainingLabels, std::vector<Int64>(FTrainingLabels, 0));
    }
    FPredicted = FLabels.Find(AResult->GetResultClass());
  }

  /// Counts the row just classified, whose true label is ATruth.
  void Count(Real ATruth)
  {
    std::size_t T = FLabels.Find(ATruth);
    if (T == FLabels.Count()) { // not a label of the model: a row and a column more
      FLabels.Add(ATruth);
      for (std::vector<Int64>& Row : FCells)
        Row.push_back(0);
      FCells.emplace_back(FLabels.Count(), 0);
    }
    ++FCells[T][FPredicted];
    ++FRows;
    FCorrect += T == FPredicted;
  }

  Int64 Rows() const noexcept { return FRows; }

  void Print(TZROutputFile& AOut, const std::string& ATrainName) const
  {
    AOut.Append("rows: " + std::to_string(FRows) + "\n");
    AOut.Append("accuracy: " + NumberText(static_cast<Real>(FCorrect) / static_cast<Real>(FRows)) + " (" +
                std::to_string(FCorrect) + " of " + std::to_string(FRows) + ")\n");
    AOut.Append("confusion matrix (rows: true label, columns: predicted label):\n");

    const std::size_t L = FLabels.Count();
    std::vector<std::string> Names(L);
    for (std::size_t I = 0; I < L; ++I)
      Names[I] = FLabels.Text(I) + (I < FTrainingLabels ? "" : "*");
    std::size_t NameWidth = 0;
    std::vector<std::size_t> Width(L);
    for (std::size_t I = 0; I < L; ++I) {
      NameWidth = std::max(NameWidth, Names[I].size());
      Width[I] = Names[I].size();
      for (std::size_t T = 0; T < L; ++T)
        Width[I] = std::max(Width[I], std::to_string(FCells[T][I]).size());
    }
    auto Cell = [&AOut](const std::string& AText, std::size_t AWidth) {
      AOut.Append(std::string(AWidth - AText.size(), ' '));
      AOut.Append(AText);
    };
    AOut.Append(std::string(NameWidth, ' '));
    for (std::size_t P = 0; P < L; ++P) {
      AOut.Append("  ");
      Cell(Names[P], Width[P]);
    }
    AOut.Append('\n');
    for (std::size_t T = 0; T < L; ++T) {
      Cell(Names[T], NameWidth);
      for (std::size_t P = 0; P < L; ++P) {
        AOut.Append("  ");
        Cell(std::to_string(FCells[T][P]), Width[P]);
      }
      AOut.Append('\n');
    }
    if (L > FTrainingLabels)
      AOut.Append("* not a label of " + ATrainName + ", so never predicted\n");
  }

private:
  TLabelTable FLabels; // the model's labels, then those only TEST.csv has
  std::size_t FTrainingLabels = 0;
  std::vector<std::vector<Int64>> FCells; // [true][predicted]
  std::size_t FPredicted = 0;             // of the row last classified
  Int64 FRows = 0;
  Int64 FCorrect = 0;
};

int RunEvaluate(const TOptions& AOptions)
{
  TFiles Files(AOptions);
  TTrainingSet Set = ReadTrainingSet(Files.Train, AOptions);
  const std::size_t Columns = Set.Columns;
  const std::size_t LabelColumn = Set.LabelColumn;
  TZRNaiveBayes Model;
  TrainOn(Model, Set);

  Files.Data.ExpectColumns(Columns, "as in " + Set.Name);
  TConfusion Confusion;
  Model.SetOnResult(TZRNaiveBayesResultEvent::Method<&TConfusion::OnResult>(&Confusion));
  const TRef<TQDRealBuffer> Row = TQDRealBuffer::CreateSize(static_cast<Cardinal>(Columns - 1));
  const TRef<IQDRealBuffer> RowIntf(Row);
  Real* const RowData = Row->Write(); // as in RunPredict
  while (Files.Data.NextRow()) {
    RequireFinite(Files.Data, LabelColumn);
    const Real Truth = SplitRow(Files.Data.Values(), Columns, LabelColumn, RowData);
    Classify(Model, RowIntf, Files.Data);
    Confusion.Count(Truth);
  }
  Model.SetOnResult({});
  if (Confusion.Rows() == 0)
    throw EZRInputError(Files.Data.Name() + ": no data rows");
  Confusion.Print(Files.Output, Set.Name);
  Files.Output.Commit();
  return ExitDone;
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------

/// AText and a line end on standard error; allocates nothing.
void Say(const char* APrefix, const char* AText) noexcept
{
  std::fputs(APrefix, stderr);
  std::fputs(AText, stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

int PrintHelp(const char* AText) noexcept
{
  std::fputs(AText, stdout);
  if (std::fflush(stdout) != 0) {
    Say("zrnb: cannot write the help: ", std::strerror(errno));
    return ExitFailure;
  }
  return ExitDone;
}

} // namespace

int ZRNBMain(int AArgc, const char* const* AArgv) noexcept
{
  try {
    const TOptions O = ParseOptions(AArgc, AArgv);
    if (O.Help)
      return PrintHelp(O.Command.empty() ? MainHelp : O.Command == "predict" ? PredictHelp : EvaluateHelp);
    return O.Command == "predict" ? RunPredict(O) : RunEvaluate(O);
  } catch (const EZRUsageError& E) {
    Say("", E.what());
    return ExitBadInput;
  } catch (const EZRInputError& E) {
    Say("", E.what());
    return ExitBadInput;
  } catch (const std::bad_alloc&) {
    Say("zrnb: ", "out of memory");
    return ExitFailure;
  } catch (const std::exception& E) {
    // The library's own message: the bridge, memory, writing the output.
    Say("zrnb: ", E.what());
    return ExitFailure;
  } catch (...) {
    Say("zrnb: ", "unexpected error");
    return ExitFailure;
  }
}
