// Dialogs for a run without anybody at the screen: every dialog is answered
// with its default button (the first of its set) and written to a stream as
// one line "dialog: [caption] text", line breaks written as \n.
#ifndef QX_APP_PRINTING_DIALOGS_H_
#define QX_APP_PRINTING_DIALOGS_H_

#include <cstdio>

#include "platform/dialogs.h"

class PrintingDialogs : public platform::RecordingDialogs {
 public:
  explicit PrintingDialogs(std::FILE* out = stdout);
 private:
  std::FILE* out_;
};

#endif  // QX_APP_PRINTING_DIALOGS_H_
