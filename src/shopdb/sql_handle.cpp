#include "shopdb/sql_handle.h"

#include <cmath>

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/regional.h"
#include "shopdb/catalogue.h"
#include "sql/connection.h"

namespace shopdb {

QString floatToString(double value) {
  QString text = QString::number(value, 'g', 15);
  text.replace(u'.', platform::regional::kDecimalSeparator);
  return text;
}

SqlHandle::SqlHandle() = default;
SqlHandle::~SqlHandle() = default;

void SqlHandle::setDirectory(const QString& directory) {
  close();
  connection_.reset();
  directory_ = directory;
}

QString SqlHandle::directory() const { return directory_; }

void SqlHandle::close() {
  active_ = false;
  names_.clear();
  rows_.clear();
  row_ = 0;
  eof_ = true;
}

bool SqlHandle::active() const { return active_; }

void SqlHandle::setText(const QString& text) {
  close();
  text_ = text;
}

void SqlHandle::addLine(const QString& line) {
  close();
  if (!text_.isEmpty() && !text_.endsWith(u'\n') && !text_.endsWith(u'\r')) text_ += QStringLiteral("\r\n");
  text_ += line;
}

QString SqlHandle::text() const { return text_; }

void SqlHandle::open() {
  if (active_) return;
  try {
    if (!connection_) {
      auto connection = std::make_unique<sql::Connection>(platform::localPath(directory_).toStdString());
      for (const auto& entry : sqlIndexFiles()) {
        std::vector<std::string> files;
        for (const auto& index : entry.indexes) files.push_back(index.toStdString());
        connection->SetIndexFiles(entry.table.toStdString(), files);
      }
      connection_ = std::move(connection);
    }
    sql::Statement statement = connection_->Prepare(text_.toStdString());
    QStringList names;
    for (int i = 0; i < statement.ColumnCount(); ++i) names << QString::fromStdString(statement.ColumnName(i));
    QVector<QVector<QVariant>> rows;
    while (statement.Step()) {
      QVector<QVariant> row(names.size());
      for (int i = 0; i < names.size(); ++i) {
        switch (statement.ColumnType(i)) {
          case sql::ValueType::kInteger:
            row[i] = QVariant::fromValue<qint64>(statement.ColumnInt64(i));
            break;
          case sql::ValueType::kReal:
            row[i] = statement.ColumnDouble(i);
            break;
          case sql::ValueType::kText:
          case sql::ValueType::kBlob:
            row[i] = QString::fromStdString(statement.ColumnText(i));
            break;
          case sql::ValueType::kNull:
            break;
        }
      }
      rows.push_back(std::move(row));
    }
    names_ = std::move(names);
    rows_ = std::move(rows);
  } catch (const std::exception& e) {
    throw platform::Error(QString::fromUtf8(e.what()));
  }
  active_ = true;
  first();
}

void SqlHandle::first() {
  requireActive();
  row_ = 0;
  eof_ = rows_.isEmpty();
}

void SqlHandle::next() {
  requireActive();
  if (row_ + 1 < rows_.size())
    ++row_;
  else
    eof_ = true;
}

bool SqlHandle::eof() const {
  requireActive();
  return eof_;
}

int SqlHandle::recordCount() const { return active_ ? static_cast<int>(rows_.size()) : 0; }

QStringList SqlHandle::fieldNames() const { return names_; }

void SqlHandle::requireActive() const {
  if (!active_) throw platform::Error(QStringLiteral("A consulta SQL não está aberta."));
}

int SqlHandle::column(const QString& field) const {
  requireActive();
  for (int i = 0; i < names_.size(); ++i)
    if (names_[i].compare(field, Qt::CaseInsensitive) == 0) return i;
  throw platform::Error(QStringLiteral("Campo %1 não encontrado no resultado da consulta SQL.").arg(field));
}

QVariant SqlHandle::value(int column) const {
  requireActive();
  if (rows_.isEmpty() || column < 0 || column >= names_.size()) return {};
  return rows_[row_][column];
}

bool SqlHandle::fieldIsNull(const QString& field) const { return value(column(field)).isNull(); }

QString SqlHandle::fieldAsString(const QString& field) const {
  const QVariant v = value(column(field));
  if (v.isNull()) return {};
  if (v.typeId() == QMetaType::Double) return floatToString(v.toDouble());
  return v.toString();
}

qint64 SqlHandle::fieldAsInteger(const QString& field) const {
  const QVariant v = value(column(field));
  if (v.isNull()) return 0;
  if (v.typeId() == QMetaType::Double) return static_cast<qint64>(std::nearbyint(v.toDouble()));
  if (v.typeId() == QMetaType::LongLong) return v.toLongLong();
  bool ok = false;
  const qint64 n = v.toString().trimmed().toLongLong(&ok);
  if (!ok) throw platform::ConvertError(QStringLiteral("'%1' não é um valor inteiro válido").arg(v.toString()));
  return n;
}

double SqlHandle::fieldAsFloat(const QString& field) const {
  const QVariant v = value(column(field));
  if (v.isNull()) return 0;
  if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong) return v.toDouble();
  QString text = v.toString().trimmed();
  text.replace(platform::regional::kDecimalSeparator, u'.');
  bool ok = false;
  const double d = text.toDouble(&ok);
  if (!ok) throw platform::ConvertError(QStringLiteral("'%1' não é um valor numérico válido").arg(v.toString()));
  return d;
}

}  // namespace shopdb
