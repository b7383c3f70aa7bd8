#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

// The report folder ("crash_db"), shared by the program (which creates it and switches
// uploads on), the handler (which writes reports) and the uploader (which sends them).
// Plain C++: the handler and the uploader do not load Qt.
//
//     crash_db/settings              "uploads_enabled=1"
//     crash_db/pending/<id>.report   the report text, waiting for the collector
//     crash_db/pending/<id>.fields   its form fields, one "key=value" a line; written last,
//                                    so a report is complete once this file exists
//     crash_db/completed/<id>.report reports the collector accepted, the newest few kept
//
// Ids start with the UTC time, so name order is age order. Nothing throws; failures
// return false or empty results.
class CrashReportDatabase
{
public:
    using Fields = std::vector<std::pair<std::string, std::string>>;

    // A disk full of crash reports helps nobody: older ones give way.
    static constexpr std::size_t maxPending = 20;
    static constexpr std::size_t maxCompleted = 10;

    // Creates the folder layout when needed; null when it cannot be created.
    static std::unique_ptr<CrashReportDatabase> initialize(const std::string& folder);

    const std::string& folder() const { return _folder; }
    bool uploadsEnabled() const;
    bool setUploadsEnabled(bool enabled);

    // Stores a report for upload and returns its id, or an empty string.
    std::string store(const Fields& fields, const std::string& text);
    // Ids of complete pending reports, oldest first.
    std::vector<std::string> pending() const;
    bool load(const std::string& id, Fields* fields, std::string* text) const;
    // Moves an uploaded report to completed/.
    bool markUploaded(const std::string& id);
    // Drops the oldest reports beyond the limits, and half-written leftovers.
    void prune();

    std::string reportPath(const std::string& id) const;
    std::string fieldsPath(const std::string& id) const;

    // Holds an exclusive lock on one pending report while it is being uploaded, so two
    // uploaders never send the same report twice. The kernel drops it if the holder dies.
    class UploadLock
    {
    public:
        UploadLock(const CrashReportDatabase& db, const std::string& id);
        ~UploadLock();
        UploadLock(const UploadLock&) = delete;
        UploadLock& operator=(const UploadLock&) = delete;
        bool isLocked() const { return _fd >= 0; }

    private:
        int _fd = -1;
    };

private:
    explicit CrashReportDatabase(std::string folder) : _folder(std::move(folder)) {}
    static std::string newId();
    void pruneFolder(const std::string& folder, const std::string& completeSuffix, std::size_t keep);

    std::string _folder;
};
