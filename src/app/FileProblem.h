#pragma once

#include <QString>

// Why a file could not be used, in words for the user, from the errno value the file functions
// report.
namespace FileProblem {

QString reason(int error);

} // namespace FileProblem
