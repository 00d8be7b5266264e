// The form as a client sends it, for the tests and benchmarks that upload.
#ifndef PELLORIN_UPLOAD_FORM_SEAMS_H
#define PELLORIN_UPLOAD_FORM_SEAMS_H

#include <string>

// The body a client sends for a stored (scrambled) block.
std::string FormatUploadForm(const unsigned char *stored);

#endif
