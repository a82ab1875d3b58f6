#pragma once

#include <string>

// The SQL forms of one database, decided once from the connection string and the layout's
// dialect options: how column names are written, how a column is defined, how a value becomes a
// literal, how existing columns are found. The engine asks; no other code tests the dialect.
class CDbDialect {
public:
    struct COptions {
        int noBrackets = 0;
        int pointDecimals = 0;
        int noQuotesForFloat = 0;
        std::string autoIncrementReplacement;
        std::string longCharReplacement;
    };

    CDbDialect() = default;
    CDbDialect(const std::string& connectionString, const COptions& options);
    // The dialect of an engine or a dialog: its connection string and dialect options.
    template <class T> static CDbDialect Of(const T& source) {
        COptions options;
        options.noBrackets = source.noBrackets;
        options.pointDecimals = source.pointDecimals;
        options.noQuotesForFloat = source.noQuotesForFloat;
        options.autoIncrementReplacement = source.autoIncrementReplacement;
        options.longCharReplacement = source.longCharReplacement;
        return CDbDialect(source.connectionString, options);
    }

    // dbName with blank, "+", "/", "-", "(", ")", "." and ":" replaced by "_".
    static std::string PlainForm(const std::string& dbName);

    // A column in statements about rows (INSERT, SELECT): bracket, plain or quoted form.
    std::string RowName(const std::string& dbName) const;
    void AppendRowName(std::string& sql, const std::string& dbName) const;
    // The name under which the catalog reports a column this engine created.
    std::string CatalogColumnName(const std::string& dbName) const;
    // The name under which the catalog reports a table named so in statements.
    std::string CatalogTableName(const std::string& tableName) const;
    // The table in the SELECT of an import.
    std::string SelectTable(const std::string& tableName) const;
    // The definition of a column in CREATE TABLE and ALTER TABLE ... ADD.
    std::string ColumnDefinition(const std::string& dbName, const std::string& sqlType) const;

    // "FLOAT" values get a decimal point instead of the comma.
    bool FloatWithPoint() const;
    // A value inside single quotes: quotes doubled (and on MySQL backslashes).
    void AppendEscaped(std::string& escaped, const std::string& value) const;
    // The literal of an escaped value with its trailing blank: NULL, unquoted or quoted.
    void AppendLiteral(std::string& sql, const std::string& escaped, const std::string& sqlType) const;

    // Existing columns are read with "SHOW COLUMNS FROM" instead of the catalog.
    bool ShowsColumns() const { return mySql; }
    // A new table gets one CREATE TABLE with all its columns, never ALTER TABLE.
    bool CreatesAtOnce() const { return excel2007; }
    // A missing database file is created before connecting.
    bool IsFileDatabase() const { return fileDatabase; }
    // CREATE, ALTER and DROP TABLE can be undone with the rows: the whole export is one transaction.
    // Workbooks and Access files are changed in memory and written whole (or refused) at commit.
    bool UndoesTableChanges() const { return sqlite || postgreSql || sqlServer || fileTables; }

private:
    COptions options;
    bool mySql = false;
    bool easysoft = false;
    bool oracle = false;
    bool sqlServer = false;
    bool excel2007 = false;
    bool fileDatabase = false;
    bool postgreSql = false;
    bool sqlite = false;
    bool fileTables = false;
    bool plainNames = false;
};
