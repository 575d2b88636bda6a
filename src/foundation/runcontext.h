#pragma once
// The program-wide state that the windows share instead of passing arguments.
// One instance lives for the whole program, owned by the application; every
// field starts at zero or empty.

#include "services.h"

#include <QColor>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace soinsuu {

constexpr int kLevelSlots = 36;      // levels 0..35, level 0 unused
constexpr int kStudentSlots = 5001;  // students 0..5000
constexpr int kMaxStudent = 5000;
constexpr int kMaxLevel = 35;
constexpr std::int32_t kNoTime = 99999;  // timed-out run, or no best time yet

// One row of the criteria file.
struct LevelCriteria {
    std::int32_t targetTime = 0;
    std::int32_t minimumLineTime = 0;
    std::int32_t clearPoints = 0;
    std::int16_t clearCount = 0;
    float pointMultiplier = 0.0f;
    double banCount = 0;
    double banPoints = 0;
    double judgeDays = 0;
    double banDays = 0;
    QString spare10;
    QString spare11;
    QString spare12;
};

// A table indexed by student number (0..5000) and level (0..35).
template <typename T>
class StudentLevelTable {
public:
    StudentLevelTable() : cells_(std::size_t(kStudentSlots) * kLevelSlots, T{}) {}
    T& operator()(int student, int level) { return cells_[std::size_t(student) * kLevelSlots + std::size_t(level)]; }
    const T& operator()(int student, int level) const { return cells_[std::size_t(student) * kLevelSlots + std::size_t(level)]; }
    void fill(T value) { std::fill(cells_.begin(), cells_.end(), value); }
    T* data() { return cells_.data(); }
    const T* data() const { return cells_.data(); }
private:
    std::vector<T> cells_;
};

// One sound category of the sound list: its key, file base names in slots
// 1..20 (slot 0 unused) and the number of files as decimal text.
struct SoundCategory {
    QString key;
    std::array<QString, 21> files;
    QString count;
};

// One row of the loaded record table.
struct LoadedRecord {
    double date = 0;
    double timeOfDay = 0;
    std::int16_t Bangou = 0;
    std::int16_t level = 0;
    std::int32_t time = 0;
    QString extra;
    double points = 0;
};

struct RunContext {
    Services services;

    // Installation values, set once by start-up.
    QString programFolder;
    QString dataRoot;
    QString programFolderName;
    QString programDataFolder;
    QString soundFolder;
    int schoolYearStartMonth = 0;
    QString schoolName;
    QString schoolCode;
    int rosterStatus2Listed = 0;
    QColor seasonColour;

    // Level catalogue.
    QString programTitle;
    std::int16_t levelCount = 0;
    int firstLevel = 0;
    int topLevel = 0;
    std::array<QString, kLevelSlots> levelNames;
    std::array<std::int16_t, kLevelSlots> timedLevel{};
    int teacherPrintEnabled = 0;
    int allLevelsOpen = 0;

    // Criteria table, levels 0..35.
    std::array<LevelCriteria, kLevelSlots> criteria;

    // Roster tables.
    std::vector<QString> studentNames = std::vector<QString>(kStudentSlots);
    std::vector<std::int16_t> studentBirthYears = std::vector<std::int16_t>(kStudentSlots, 0);
    std::vector<QString> studentGradeNames = std::vector<QString>(kStudentSlots);
    std::vector<std::int16_t> rosterNumbers = std::vector<std::int16_t>(kStudentSlots, 0);  // slots 1..5000
    int rosterCount = 0;
    int schoolYear = 0;

    // Sounds: categories 1..10, slot 0 unused.
    std::array<SoundCategory, 11> soundTable;
    std::int16_t soundErrorCount = 0;
    QString lastSoundResult;

    // Current student and level.
    std::int16_t currentStudent = 0;
    QString studentName;
    QString gradeLabel;
    QString gradeFilterText;
    std::int32_t nameConfirmTime = 0;
    std::int16_t selectedLevel = 0;
    std::int16_t topLevelCleared = 0;

    // The drill run.
    int previousNumber = 0;  // the number posed last (0: none yet); outlives runs and the drill window
    std::int16_t problemsPerRun = 0;
    std::int32_t timeLimit = 0;
    float runStartTime = 0;
    std::int64_t runStartTick = 0;  // monotonic reading at the start, for the run clock
    std::int32_t elapsedSeconds = 0;
    std::int32_t solvedCount = 0;
    std::int16_t judgeResult = 0;
    std::int16_t judging = 0;
    std::int16_t retryLock = 0;
    std::int16_t runFinished = 0;
    std::int16_t endStarted = 0;
    std::int16_t runEnd = 0;
    std::int32_t runTime = 0;

    // Statistics, rebuilt from the results file.
    StudentLevelTable<std::int32_t> bestTime;
    StudentLevelTable<std::int16_t> totalRuns;
    StudentLevelTable<std::int32_t> totalPoints;
    StudentLevelTable<std::int32_t> totalTimeSum;
    StudentLevelTable<float> averageTime;
    StudentLevelTable<std::int16_t> judgeRuns;
    StudentLevelTable<std::int32_t> judgePoints;
    StudentLevelTable<std::int16_t> banRuns;
    StudentLevelTable<std::int32_t> banPointsEarned;
    StudentLevelTable<float> todayRuns;
    StudentLevelTable<float> todayTimeSum;
    StudentLevelTable<std::int32_t> todayPoints;
    StudentLevelTable<float> todayAverageTime;
    std::array<std::int32_t, kLevelSlots> schoolBestTime{};
    std::vector<LoadedRecord> loadedRecords;  // rows 0..loadedRecordCount-1
    int loadedRecordCount = 0;
    std::int16_t newPersonalBest = 0;
    std::int16_t newSchoolBest = 0;
    std::int16_t clearedBefore = 0;

    // Shorthands for the injected services.
    Clock& clock() const { return *services.clock; }
    RandomSource& random() const { return *services.random; }
    Dialogs& dialogs() const { return *services.dialogs; }
    Navigator& navigator() const { return *services.navigator; }
    Printer& printer() const { return *services.printer; }
    PrintDialogs& printDialogs() const { return *services.printDialogs; }
};

// Shows a message box and ends the program: for failures the program cannot
// carry on from. Callers return straight after it.
void fatalError(RunContext& ctx, const QString& title, const QString& text);

} // namespace soinsuu

namespace soinsuu {

// Starts a run of ctx.selectedLevel for the current student: resets the run
// flags, lets pending events run and asks for the drill window, whose opening
// starts the run. Used by the student menu and by the end-of-drill window.
void startDrillRun(RunContext& ctx);

// Whole minutes since the student's name was confirmed, across midnight too.
int minutesSinceNameConfirmed(const RunContext& ctx);

} // namespace soinsuu
