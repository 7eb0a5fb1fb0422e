// The program's command line: none at all is the show. --help and --version print and end; any
// other argument is a mistake, said in one line.
#pragma once

enum class CommandLineAction { show, printed, refused };

// Reads the arguments after the program name. Prints the help or the version to standard
// output, or a one-line reason to standard error; the caller ends with commandLineStatus.
CommandLineAction readCommandLine(int argc, const char* const* argv);
// The exit status for an action that ends the program: 0 after printing, 2 for a refusal.
int commandLineStatus(CommandLineAction action);
