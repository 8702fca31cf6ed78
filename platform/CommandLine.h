#pragma once
// Splitting one command string into program arguments by the rules Windows
// programs use, so the command string stays the single source of truth and
// quoted paths with blanks arrive whole.

#include <QString>
#include <QStringList>

// Arguments of a command line. The first argument, when it begins with a double
// quote, runs to the next double quote with backslashes taken literally.
// Elsewhere 2n backslashes before a quote give n backslashes and toggle
// quoting, 2n+1 give n backslashes and a literal quote, "" inside quotes gives
// one quote, and other backslashes are literal.
QStringList CommandLineToArgv(const QString& commandLine);

// Quotes one argument so that CommandLineToArgv gives it back unchanged when it
// is not the first argument: the text between double quotes, with every quote
// and the backslashes before it escaped. Text without quotes and without a
// trailing backslash is only wrapped.
QString QuoteArgument(const QString& argument);
