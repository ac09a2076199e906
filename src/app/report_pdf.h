#pragma once
// Writes the PDF report of a run's files: per run a page of settings, files
// and figures, then its charts (RT per trial and distribution, hit map,
// tracking and frame intervals). Needs a QApplication (Qt Charts draws through
// the graphics view).

#include <string>

#include "report/report_model.h"

// Writes `model` to `path` through a temporary file beside it, so that a
// failed write leaves no file. False with *error set on failure.
bool WriteReportPdf(const ReportModel& model, const std::string& path, std::string* error);
