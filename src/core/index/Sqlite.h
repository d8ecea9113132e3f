#pragma once
// A thin owner of an SQLite connection and its prepared statements: the library index's only
// contact with the SQLite C interface. Failures are reported by result codes, never thrown.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace core {

class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool Valid() const { return m_statement != nullptr; }
    int PrepareCode() const { return m_prepareCode; }
    // Binding positions count from 1, as in SQL.
    void Bind(int position, std::string_view text);
    void Bind(int position, int64_t value);
    void BindNull(int position);
    void BindBlob(int position, std::string_view bytes);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    void Reset();
    std::string Text(int column) const;
    int64_t Int(int column) const;
    // The bytes of a value, valid until the next step or reset.
    std::string_view Bytes(int column) const;
    bool IsNull(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
    int m_prepareCode = 0;
};

class SqliteDatabase {
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Opens (creating) the file; the SQLite result code.
    int Open(const std::filesystem::path& file);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    // Runs statements without results; the result code of the first that fails, or SQLITE_OK.
    int Execute(std::string_view sql);
    SqliteStatement Prepare(std::string_view sql) { return SqliteStatement(m_db, sql); }
    // How long a statement waits for a lock another connection holds before it gives up busy.
    void SetBusyTimeout(int milliseconds);
    int64_t LastInsertId() const;
    std::string LastError() const;
    sqlite3* Handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

// True for the result codes that mean the file is no database or a damaged one.
bool IsDamageCode(int code);
// True for the result codes that mean another connection holds the lock.
bool IsBusyCode(int code);

} // namespace core
