#include "core/index/Sqlite.h"

#include <sqlite3.h>

#include <utility>

namespace core {

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql)
{
    m_prepareCode =
        db ? sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_statement, nullptr) : SQLITE_MISUSE;
    if (m_prepareCode != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)), m_prepareCode(other.m_prepareCode)
{
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_statement = std::exchange(other.m_statement, nullptr);
        m_prepareCode = other.m_prepareCode;
    }
    return *this;
}

void SqliteStatement::Bind(int position, std::string_view text)
{
    if (m_statement)
        sqlite3_bind_text(m_statement, position, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::BindBlob(int position, std::string_view bytes)
{
    if (m_statement)
        sqlite3_bind_blob(m_statement, position, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::Bind(int position, int64_t value)
{
    if (m_statement)
        sqlite3_bind_int64(m_statement, position, value);
}

void SqliteStatement::BindNull(int position)
{
    if (m_statement)
        sqlite3_bind_null(m_statement, position);
}

int SqliteStatement::Step()
{
    return m_statement ? sqlite3_step(m_statement) : m_prepareCode;
}

void SqliteStatement::Reset()
{
    if (m_statement) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
}

std::string SqliteStatement::Text(int column) const
{
    const auto* text = sqlite3_column_text(m_statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<size_t>(sqlite3_column_bytes(m_statement, column)))
                : std::string();
}

std::string_view SqliteStatement::Bytes(int column) const
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
    return bytes ? std::string_view(bytes, static_cast<size_t>(sqlite3_column_bytes(m_statement, column)))
                 : std::string_view();
}

int64_t SqliteStatement::Int(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

bool SqliteStatement::IsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

SqliteDatabase::~SqliteDatabase()
{
    Close();
}

int SqliteDatabase::Open(const std::filesystem::path& file)
{
    Close();
    const int code = sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (code != SQLITE_OK)
        Close();
    return code;
}

void SqliteDatabase::Close()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

int SqliteDatabase::Execute(std::string_view sql)
{
    if (!m_db)
        return SQLITE_MISUSE;
    return sqlite3_exec(m_db, std::string(sql).c_str(), nullptr, nullptr, nullptr);
}

void SqliteDatabase::SetBusyTimeout(int milliseconds)
{
    if (m_db)
        sqlite3_busy_timeout(m_db, milliseconds);
}

int64_t SqliteDatabase::LastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

std::string SqliteDatabase::LastError() const
{
    return m_db ? sqlite3_errmsg(m_db) : "no database";
}

bool IsDamageCode(int code)
{
    const int primary = code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool IsBusyCode(int code)
{
    const int primary = code & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

} // namespace core
