#pragma once
// The commands of the catalogue tool: conversion, listing, export and check of catalogue files.
// Each writes its results to out, throws CatalogueError on a failure and returns the exit status
// otherwise.

#include <optional>
#include <ostream>
#include <string>

namespace kel {

// Writes the catalogue in_path as a new SQLite catalogue at out_path. An existing out_path is
// replaced only with force. Nothing appears at out_path unless the whole conversion succeeded.
int ConvertCatalogue(const std::string& in_path, const std::string& out_path, bool force,
                     std::ostream& out);

// The cores by mass as an aligned table.
int ShowCatalogue(const std::string& path, std::ostream& out);

// The whole table EI as CSV, to out_path when given, else to out.
int ExportCatalogue(const std::string& path, const std::optional<std::string>& out_path,
                    std::ostream& out);

// Lists every row the program could not use; 1 when there is any, else 0.
int CheckCatalogue(const std::string& path, std::ostream& out);

}  // namespace kel
