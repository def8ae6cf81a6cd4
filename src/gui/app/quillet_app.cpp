#include "gui/app/quillet_app.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/messages/window.h"
#include "gui/app/main_frame.h"
#include "gui/app/settings_keys.h"
#include "gui/dialogs/about_dlg.h"

namespace quillet {

CQuilletApp::CQuilletApp(int& argc, char** argv) : QApplication(argc, argv) {
  setOrganizationName("Brindle Software");
  setApplicationName(messages::kAppTitle);
  setApplicationVersion(QUILLET_VERSION);
  setWindowIcon(QuilletAppIcon());
}

CQuilletApp::~CQuilletApp() = default;

QString CQuilletApp::DefaultSettingsFile() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
      .filePath(settings::kStoreFileName);
}

bool CQuilletApp::InitInstance(const QString& settingsFile) {
  const QString file = settingsFile.isEmpty() ? DefaultSettingsFile() : settingsFile;
  bool created = false;
  if (m_profile.OpenRoot(file, &created) && created) {
    m_profile.ImportIniFile(QFileInfo(file).dir().filePath(settings::kImportFileName));
  }
  m_doc.OnNewDocument();
  m_pFrame = std::make_unique<CMainFrame>(*this);
  m_pFrame->show();
  return true;
}

}  // namespace quillet
