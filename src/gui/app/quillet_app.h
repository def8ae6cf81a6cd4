#pragma once

#include <QApplication>
#include <memory>

#include "gui/app/quillet_doc.h"
#include "gui/app/registry_profile.h"

namespace quillet {

class CMainFrame;

// The one application object: settings store, document, frame.
class CQuilletApp : public QApplication {
  Q_OBJECT
 public:
  CQuilletApp(int& argc, char** argv);
  ~CQuilletApp() override;

  // Opens the settings store at settingsFile (default: the user's settings folder),
  // imports an earlier installation's Quillet.INI the first time, then makes the
  // document, the frame and the view and shows the frame.
  bool InitInstance(const QString& settingsFile = {});

  // The store's file in the per-user settings folder.
  static QString DefaultSettingsFile();

  CRegistryProfile m_profile;
  int m_nMailLinkVisited = 0;
  int m_nWebLinkVisited = 0;

  CMainFrame* frame() const { return m_pFrame.get(); }
  static CQuilletApp* instance() { return static_cast<CQuilletApp*>(QCoreApplication::instance()); }

 private:
  CQuilletDoc m_doc;
  std::unique_ptr<CMainFrame> m_pFrame;
};

}  // namespace quillet
