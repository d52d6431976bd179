#pragma once
// The system's print service, where the program talks to it itself: what it
// says of its last failure, for messages (a server that cannot be reached is
// not a machine without printers), and, where it takes whole files, handing
// a finished document to a queue as one job and calling a job back.

#include <QString>

namespace pw {

// The print service's reason for the failure of the last request made on the
// calling thread; empty when it reported none (or cannot say).
QString printServiceProblem();

// True where finished documents are handed to the print service as PDF files
// by the program itself, so that a job keeps its number and can be called
// back; false where the system's printer driver sends them.
bool printServiceTakesFiles();

// Hands the PDF file to the queue as one job named title, with the queue's
// own default options. Returns the job's number, or 0 with the reason.
int submitPrintFile(const QString& queue, const QString& file, const QString& title,
                    QString* reason);

// Calls the job back; false when the print service no longer can (the job
// has been printed) or did not answer.
bool cancelPrintJob(const QString& queue, int job);

} // namespace pw
