// Results a machine can read: with --json a command-line action prints one JSON object on
// stdout (the action, its exit code and what the code means, what it read, wrote or found,
// the time it took); the texts for a person go to stderr meanwhile.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <string>

#include "shell/globals.h"

// From now on stdout is stderr, until JsonResultEnd prints the object on the real stdout.
void JsonResultBegin(const std::string& action);
// Whether a JSON result is being collected.
bool JsonResultWanted();
// Sets one key of the object (nothing without JsonResultBegin).
void JsonResultSet(const char* key, const QJsonValue& value);
// Prints the object with "action", "exit", "meaning" and "seconds" and restores stdout.
void JsonResultEnd(int exitCode);
// What an exit code of the program means, in words.
const char* ExitMeaning(int exitCode);
// `count` words as a JSON array of numbers.
QJsonArray WordsJson(const u16* words, int count);
// The 30 words of a parameter set (half 0, then half 1); null for a half not read.
QJsonArray SetWordsJson(const u16 words[30], const int got[2]);
// The numbers (1..30) of the words in which two sets differ, as a JSON array.
QJsonArray DifferingWordsJson(const u16 a[30], const u16 b[30]);
