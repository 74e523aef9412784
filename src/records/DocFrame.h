// The main frame as the document sees it. The document is below the
// windows and never includes them: what it tells the frame (the entry to
// show, the records that go, the question whether the frame is closing, the
// mode word to save) goes through this class, which the frame implements.
#pragma once

#include "platform/win.h"

class CZEKDoc;

class CZEKDocFrame {
 public:
  // The main window when it is a document frame, else the frame made last
  // while it lives (a frame being built is not the main window yet); null
  // when there is none.
  static CZEKDocFrame* Get();

  // Takes the document's current entry (which it has) as the shown one:
  // its folders, comment, records and totals. With bKeepMode FALSE also
  // the entry's mode, for the frame and the application, and a form still
  // showing another entry's fields shows this one. Then posts the message
  // that picks the lower view.
  virtual void ShowEntry(CZEKDoc* pDoc, BOOL bKeepMode) = 0;
  // Forgets the shown records when they are the document's (any document's
  // for null): whoever frees records has the frame let go of them first.
  virtual void ForgetRecordsOf(const CZEKDoc* pDoc) = 0;
  // The document goes: the frame stops pointing at it.
  virtual void ForgetDocument(const CZEKDoc* pDoc) = 0;
  // TRUE once the frame is closing (only then does the document close).
  virtual BOOL IsClosing() const = 0;
  // TRUE with the frame's mode word in nMode when the frame shows the
  // document's entry; FALSE (nMode untouched) otherwise.
  virtual BOOL GetModeFor(const CZEKDoc* pDoc, int& nMode) const = 0;

 protected:
  CZEKDocFrame();
  virtual ~CZEKDocFrame();
};
