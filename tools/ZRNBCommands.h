//===- tools/ZRNBCommands.h - The commands of zrnb -------------*- C++ -*-===//
///
/// \file
/// zrnb runs `TZRNaiveBayes` on comma-separated files:
///
/// \code
///   zrnb predict --train TRAIN.csv [--label-column K] [--scores] [--output FILE] INPUT.csv
///   zrnb evaluate --train TRAIN.csv [--label-column K] TEST.csv
/// \endcode
///
/// Training reads TRAIN.csv into one real matrix (a row per sample) and one
/// real buffer of labels and calls `Train` once. Every row of INPUT.csv (or
/// TEST.csv) is then copied into one reused real buffer and classified with
/// `Predict`; the `OnResult` handler turns the result list into text. Nothing
/// becomes visible before the last row is classified (`TZROutputFile`).
///
/// Decisions the command line leaves open:
/// - every value of TRAIN.csv and every label must be a finite number; the
///   features of INPUT.csv and TEST.csv go to the classifier as they are, and
///   a row it refuses (a NaN, say) is bad input of that line;
/// - evaluate: a label of TEST.csv that TRAIN.csv lacks gets a row and a
///   column of the confusion matrix after the training labels, marked '*';
///   its rows count as wrong, since the classifier cannot predict it. A
///   TEST.csv without data rows is bad input (there is no accuracy of nothing);
///   an INPUT.csv without data rows gives empty output;
/// - "-" may stand for one file only, since standard input reads once.
///
/// Exit status: 0 done; 1 the library failed (the bridge is missing, memory
/// ran out) or the output could not be written; 2 bad command line or bad
/// input, with nothing written.
///
//===----------------------------------------------------------------------===//
#pragma once

/// Runs zrnb on its command line (AArgv[0] is the program) and returns the
/// exit status. Results go to standard output or --output, messages to
/// standard error. Never throws.
int ZRNBMain(int AArgc, const char* const* AArgv) noexcept;
