#include "shopdb/table_handle.h"

#include <cmath>
#include <functional>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/regional.h"
#include "shopdb/sql_handle.h"
#include "xbase/table.h"

namespace shopdb {
namespace {

std::string ansi(const QString& text) { return platform::toAnsi(text).toStdString(); }

// Engine errors become the platform's, with the engine's text.
template <typename F>
auto guarded(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const xbase::Error& e) {
    throw platform::Error(QString::fromUtf8(e.what()));
  }
}

}  // namespace

TableHandle::TableHandle(TableDef def) : def_(std::move(def)) {}
TableHandle::~TableHandle() = default;

void TableHandle::setDirectory(const QString& directory) { directory_ = directory; }

QString TableHandle::tablePath() const {
  QString name = def_.fileName;
  if (!name.endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive)) name += QStringLiteral(".DBF");
  return platform::localPath(directory_ + u'/' + name);
}

void TableHandle::open() {
  if (table_) return;
  guarded([&] {
    xbase::OpenOptions options;
    for (const auto& index : def_.indexes) options.index_files.push_back(index.toStdString());
    auto table = xbase::Table::Open(tablePath().toStdString(), options);
    if (filtered_ && !filter_.isEmpty()) table->SetFilter(ansi(filter_));
    table->First();
    table_ = std::move(table);
  });
}

void TableHandle::close() { table_.reset(); }

bool TableHandle::active() const { return table_ != nullptr; }

xbase::Table& TableHandle::table() const {
  if (!table_) throw platform::Error(QStringLiteral("A tabela %1 não está aberta.").arg(def_.fileName));
  return *table_;
}

bool TableHandle::locate(const QString& field, const QString& value) {
  return guarded([&] { return table().Locate(field.toStdString(), ansi(value)); });
}

void TableHandle::setFilter(const QString& expression) {
  if (table_ && filtered_) guarded([&] { table_->SetFilter(ansi(expression)); });
  filter_ = expression;
}

QString TableHandle::filter() const { return filter_; }

void TableHandle::setFiltered(bool on) {
  if (table_ && on != filtered_) guarded([&] { table_->SetFilter(on ? ansi(filter_) : std::string()); });
  filtered_ = on;
}

bool TableHandle::filtered() const { return filtered_; }

void TableHandle::first() { guarded([&] { table().First(); }); }
void TableHandle::next() { guarded([&] { table().Next(); }); }
bool TableHandle::eof() const { return table().Eof(); }

QString TableHandle::fieldAsString(const QString& field) const {
  return guarded([&]() -> QString {
    xbase::Table& t = table();
    const std::string name = field.toStdString();
    const int index = t.FieldIndex(name);
    const char type = index >= 0 ? t.fields()[index].type : 'C';
    switch (type) {
      case 'N':
      case 'F':
      case 'B':
      case 'Y':
      case 'I': {
        const auto n = t.GetNumber(name);
        return n ? floatToString(*n) : QString();
      }
      case 'D': {
        const QDate date = fieldAsDate(field);
        return date.isValid() ? platform::regional::shortDate(date) : QString();
      }
      case 'L':
        return t.GetLogical(name) ? QStringLiteral("True") : QStringLiteral("False");
      case 'M':
        return platform::fromAnsi(t.GetMemo(name));
      default: {
        const std::string s = t.GetString(name);
        return platform::fromAnsi(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
      }
    }
  });
}

qint64 TableHandle::fieldAsInteger(const QString& field) const {
  return guarded([&]() -> qint64 {
    xbase::Table& t = table();
    const std::string name = field.toStdString();
    const int index = t.FieldIndex(name);
    const char type = index >= 0 ? t.fields()[index].type : 'C';
    if (type == 'C' || type == 'M') {
      const QString text = fieldAsString(field).trimmed();
      if (text.isEmpty()) return 0;
      bool ok = false;
      const qint64 n = text.toLongLong(&ok);
      if (!ok) throw platform::ConvertError(QStringLiteral("'%1' não é um valor inteiro válido").arg(text));
      return n;
    }
    const auto n = t.GetNumber(name);
    return n ? static_cast<qint64>(std::nearbyint(*n)) : 0;
  });
}

double TableHandle::fieldAsFloat(const QString& field) const {
  return guarded([&]() -> double {
    xbase::Table& t = table();
    const std::string name = field.toStdString();
    const int index = t.FieldIndex(name);
    const char type = index >= 0 ? t.fields()[index].type : 'C';
    if (type == 'C' || type == 'M') {
      QString text = fieldAsString(field).trimmed();
      if (text.isEmpty()) return 0.0;
      text.replace(platform::regional::kDecimalSeparator, u'.');
      bool ok = false;
      const double d = text.toDouble(&ok);
      if (!ok) throw platform::ConvertError(QStringLiteral("'%1' não é um valor numérico válido").arg(fieldAsString(field)));
      return d;
    }
    return t.GetNumber(name).value_or(0.0);
  });
}

QDate TableHandle::fieldAsDate(const QString& field) const {
  return guarded([&]() -> QDate {
    const xbase::JulianDay day = table().GetDate(field.toStdString());
    return day == 0 ? QDate() : QDate::fromJulianDay(day);
  });
}

void TableHandle::edit() { guarded([&] { table().Edit(); }); }
void TableHandle::insert() { guarded([&] { table().Append(); }); }

void TableHandle::setFieldFromString(const QString& field, const QString& text) {
  guarded([&] { table().SetFromText(field.toStdString(), ansi(text)); });
}

void TableHandle::setFieldFromDate(const QString& field, QDate date) {
  guarded([&] {
    table().SetDate(field.toStdString(), date.isValid() ? static_cast<xbase::JulianDay>(date.toJulianDay()) : 0);
  });
}

void TableHandle::post() { guarded([&] { table().Post(); }); }
void TableHandle::cancel() { guarded([&] { table().Cancel(); }); }

}  // namespace shopdb
