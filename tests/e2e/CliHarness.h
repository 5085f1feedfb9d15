#pragma once
// What the command line's end-to-end tests share: a dtusim process on a pty
// (re-powered, unplugged and dumped through its stdin) and a run of the real
// strelvane-cli with the shortened time scale.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QElapsedTimer>

#include <ostream>

// Readable QStrings in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace clitest {

inline const char *const TIME_SCALE = "0.05";

struct CliRun {
  int exitCode = -1;
  QString out;
  QString err;
};

// One dtusim process; its command log is read back as the commands it received.
class CDtusim {
public:
  explicit CDtusim(QStringList options = {}) {
    m_log = m_dir.filePath(QStringLiteral("commands.jsonl"));
    m_process.start(QStringLiteral(STRELVANE_BIN_DIR "/sim/dtusim"),
                    options + QStringList{QStringLiteral("--log"), m_log});
    if (m_process.waitForStarted(10000) && m_process.waitForReadyRead(10000))
      m_path = QString::fromUtf8(m_process.readLine()).trimmed();
  }
  ~CDtusim() {
    m_process.write("quit\n");
    if (!m_process.waitForFinished(3000)) {
      m_process.kill();
      m_process.waitForFinished(3000);
    }
  }
  const QString &Path() const { return m_path; }
  void Repower() { Control("power\n"); }
  void Unplug() { Control("unplug\n"); }
  void Control(const char *line) {
    m_process.write(line);
    m_process.waitForBytesWritten(1000);
  }
  // The device's own label=value lines (its control channel's dump).
  QList<QByteArray> Dump() {
    Control("dump\n");
    QList<QByteArray> lines;
    QElapsedTimer t;
    t.start();
    QByteArray got;
    while (!got.contains("\n\n") && t.elapsed() < 10000)
      if (m_process.waitForReadyRead(100))
        got += m_process.readAllStandardOutput();
    for (const QByteArray &line : got.left(got.indexOf("\n\n")).split('\n'))
      lines << line;
    return lines;
  }
  QStringList Commands() const {
    QFile f(m_log);
    QStringList out;
    if (!f.open(QIODevice::ReadOnly))
      return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
      if (!line.trimmed().isEmpty())
        out << QJsonDocument::fromJson(line).object().value(QStringLiteral("command")).toString();
    }
    return out;
  }

private:
  QTemporaryDir m_dir;
  QString m_log;
  QProcess m_process;
  QString m_path;
};

inline QProcessEnvironment Environment(const QString &lang) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("LC_ALL"));
  env.remove(QStringLiteral("LC_MESSAGES"));
  env.insert(QStringLiteral("LANG"), lang);
  env.insert(QStringLiteral("STRELVANE_TIME_SCALE"), QString::fromLatin1(TIME_SCALE));
  return env;
}

// Runs the program; with sim, the device is re-powered once the program runs,
// as the user does after opening the port.
inline CliRun Cli(const QStringList &args, CDtusim *sim = nullptr, const QString &lang = QStringLiteral("C")) {
  QProcess p;
  p.setProcessEnvironment(Environment(lang));
  QStringList all = args;
  if (sim)
    all = QStringList{QStringLiteral("--port"), sim->Path()} + args;
  p.start(QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli"), all);
  CliRun r;
  if (!p.waitForStarted(10000))
    return r;
  if (sim) {
    p.waitForFinished(150); // the port is open by now
    sim->Repower();
  }
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

inline QStringList Since(const QStringList &all, qsizetype from) { return all.mid(from); }

} // namespace clitest
