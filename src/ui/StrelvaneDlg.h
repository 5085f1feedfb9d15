#pragma once
// The main window: port controls, operation buttons, output log with the
// terminal row, and the tab sheet with the five setting pages. It is the Qt
// face of the dialog host and owns the pages' face (Pages()); their methods may
// be called from any thread and are carried out synchronously on the window thread.
#include "host/DialogHost.h"
#include "host/OutputLog.h"
#include "serial/Transcript.h"
#include "ui/PageControlsImpl.h"
#include "ui/Startup.h"

#include <QDialog>
#include <QHash>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class CDeviceController;
class COutputView;
class CPageDlg;
class CTabSheet;
class CTerminalRow;
class CTerminalWriter;
class CThreadExecutor;
class QComboBox;
class QMenu;
class QMenuBar;
class QAction;
class QProgressBar;

class CStrelvaneDlg : public QDialog, public DialogHost {
public:
  static constexpr const char *TITLE = "Tavrenholt Corvanet V1.2.0";
  // The operation set switched by EnableOperationButtons (1032 and 1046 have rules of their own).
  static const QList<int> OPERATION_SET;

  // g_chineseUi must be decided before: every caption is chosen here.
  explicit CStrelvaneDlg(QWidget *parent = nullptr, qsizetype logLimit = COutputLog::DEFAULT_LIMIT);
  ~CStrelvaneDlg() override;

  // The initialisation: pages created and three tabs shown, start values, the
  // port list filled and its first port opened. No port at all: a message and
  // the window stays usable.
  void Initialize(const QList<CPortEntry> &ports);

  // DialogHost
  void AppendOutput(const QString &text) override;
  void EnableOperationButtons(bool enable) override;
  void EnableSaveToFile() override;
  void UpdatePortControls() override;
  void SetConfigurationLayout() override;
  void SetCommunicationLayout() override;
  void SetCommStateSelected(bool comm) override;
  void EnableControl(int id, bool enable) override;
  void ShowMessage(const QString &text, const QString &caption) override;
  bool AskYesNo(const QString &text, const QString &caption) override;
  void StartPromptTimer(int periodMs) override;
  void StopPromptTimer() override;
  void ShutdownCalls() override;
  void ShowProgress(int done, int total) override;
  bool ConfirmWrites(const QList<WriteRow> &rows) override;

  // The setting pages as the engine sees them.
  CWidgetPageControls &Pages() const { return *m_pages; }

  // Opens the port chosen in the port controls when closed, closes it when open.
  void OpenClosePort();
  bool IsPortOpen() const;
  QString OpenedPort() const { return m_openedPort; }
  QString OpenedBaud() const { return m_openedBaud; }
  // The device flows behind the controls.
  CDeviceController &Device() const { return *m_device; }
  // Puts the terminal's bytes (sends, typed characters) on the line.
  CTerminalWriter &Terminal() const { return *m_terminal; }
  bool TimedSendActive() const;
  int TimedSendPeriod() const;
  bool ConfigLayout() const { return m_bConfigLayout; }

  // Where the port list comes from when it is refreshed (adapters plugged in
  // or removed); checked every PORT_REFRESH_MS while the port is closed.
  static constexpr int PORT_REFRESH_MS = 2000;
  void SetPortSource(std::function<QList<CPortEntry>()> source) { m_portSource = std::move(source); }
  // Lists the ports anew when they changed, keeping the chosen one; nothing while the port is open.
  void RefreshPortList();

  // Demo mode: path is the simulated device's port; it is powered up (repower)
  // a second after that port is opened, and a menu action re-powers it.
  void EnableDemo(const QString &path, std::function<void()> repower);
  QAction *RepowerAction() const { return m_repowerAction; }
  QProgressBar *Progress() const { return m_progress; }

  // Writes the output window's text to path; shows the result as the save button does.
  bool SaveOutputTo(const QString &path);
  // Writes the session's transcript (every byte sent and received) to path.
  bool SaveTranscriptTo(const QString &path);
  const CTranscript &Transcript() const { return m_transcript; }
  void OnClearOutput();

  // Where the engine attaches: a button or check box click, the prompt timer tick.
  void SetCommandHandler(int id, std::function<void()> fn);
  void SetPromptTimerHandler(std::function<void()> fn) { m_promptHandler = std::move(fn); }
  // Replaces message boxes and questions (tests, headless runs).
  void SetMessageHook(std::function<void(const QString &text, const QString &caption)> fn) {
    m_messageHook = std::move(fn);
  }
  void SetQuestionHook(std::function<bool(const QString &text, const QString &caption)> fn) {
    m_questionHook = std::move(fn);
  }
  // Replaces the list of writes shown before a save (tests): true writes.
  void SetWritePreviewHook(std::function<bool(const QList<WriteRow> &)> fn) { m_previewHook = std::move(fn); }
  // Replaces the open and save file dialogs of the configuration file (tests):
  // gets save, the proposed name and the filter; returns the path ("" cancels).
  void SetFileDialogHook(std::function<QString(bool save, const QString &name, const QString &filter)> fn) {
    m_fileDialogHook = std::move(fn);
  }

  QWidget *Control(int id) const;
  CTabSheet *TabSheet() const { return m_tabSheet; }
  CPageDlg *Page(EPage page) const;
  COutputView *Output() const { return m_output; }
  const COutputLog &Log() const { return m_log; }
  CThreadExecutor *Executor() const { return m_executor; }
  QList<QWidget *> TerminalRow() const;
  void ShowAbout();

  void accept() override; // Enter never closes the window
  void reject() override; // asks first when page edits are not written yet
  void done(int result) override;

protected:
  void showEvent(QShowEvent *e) override;
  void keyPressEvent(QKeyEvent *e) override; // Escape never closes the window

private:
  void BuildControls();
  void AttachDevice();
  void Command(int id);
  void OnSaveOutput();
  void OnBrowseConfigFile();
  QString AskFileName(bool save, const QString &name, const QString &filter);
  void AttachTerminal();
  void UpdateChangeMarks();
  void FillPortCombo(const QList<CPortEntry> &ports);
  // Device server addresses typed into the port combo stay in its list for
  // the session, the last few of them, newest first after the ports.
  QList<CPortEntry> WithTypedPorts(QList<CPortEntry> ports) const;
  void RememberTypedPort(const QString &url);
  template <class R, class F> R OnWindow(R fallback, F fn);
  template <class F> void OnWindow(F fn);

  CThreadExecutor *m_executor;
  std::unique_ptr<CWidgetPageControls> m_pages; // the controller reaches it: outlives m_device
  CTabSheet *m_tabSheet = nullptr;
  COutputView *m_output = nullptr;
  CTerminalRow *m_terminalRow = nullptr;
  QComboBox *m_portCombo = nullptr;
  QComboBox *m_baudCombo = nullptr;
  QComboBox *m_parityCombo = nullptr;
  QMenuBar *m_menuBar = nullptr;
  QProgressBar *m_progress = nullptr;
  QAction *m_repowerAction = nullptr;
  std::function<QList<CPortEntry>()> m_portSource;
  QTimer m_portRefreshTimer;
  QString m_demoPath;
  std::function<void()> m_demoRepower;
  QTimer m_demoPowerTimer;
  QHash<int, QWidget *> m_controls;
  QHash<int, std::function<void()>> m_handlers;
  COutputLog m_log;
  CTranscript m_transcript; // the port records into it: outlives m_device
  bool m_bConfigLayout = true;
  bool m_fittedToScreen = false;
  QString m_openedPort;
  static constexpr int TYPED_PORTS_KEPT = 5;
  QStringList m_typedPorts; // newest first
  QString m_openedBaud;
  QTimer m_promptTimer;
  QTimer m_markTimer;
  std::function<void()> m_promptHandler;
  std::function<void(const QString &, const QString &)> m_messageHook;
  std::function<bool(const QString &, const QString &)> m_questionHook;
  std::function<bool(const QList<WriteRow> &)> m_previewHook;
  std::function<QString(bool, const QString &, const QString &)> m_fileDialogHook;
  std::unique_ptr<CDeviceController> m_device;
  std::unique_ptr<CTerminalWriter> m_terminal; // writes to m_device's port: goes first
};
