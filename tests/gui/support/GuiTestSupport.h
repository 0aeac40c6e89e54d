#pragma once

#include <QString>

#include <functional>
#include <memory>

class QObject;
class QWidget;

namespace testsupport {

// Runs `answer` on the next modal widget that opens (polling, so an exec() started right after
// this call is answered). Gives up after `timeoutMs` so a missing dialog fails instead of
// hanging. Returns a flag the caller can check afterwards: true once the answer ran.
std::shared_ptr<bool> answerNextModal(std::function<void(QWidget *)> answer, int timeoutMs = 5000);

// Writes an empty file (or one with `content`) at `path`.
bool writeFile(const QString &path, const QByteArray &content = {});
QByteArray readFile(const QString &path);

// The text of the label `name` under `parent`; a label that is not there reads as such, so a
// test fails on it instead of crashing.
QString labelText(const QObject *parent, const QString &name);

} // namespace testsupport
