// Lays out the demo school: the path file, the common settings, a roster, the
// criteria of the four levels, the sound list and synthesised sounds, and, in
// a school that has no results file yet, three weeks of the class's runs so
// that the rankings and lists have something to show. Every
// text file is written in code page 932 and read back to check the bytes, and
// the whole school is then read again through the program's own readers, so a
// demo the program could not start from fails the build instead of the class.
//
// Usage: make_demo_school <data root>

#include "foundation/cp932.h"
#include "foundation/criteria.h"
#include "foundation/listinput.h"
#include "foundation/roster.h"
#include "foundation/settings.h"
#include "foundation/sounds.h"
#include "results/resultsfile.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using namespace soinsuu;

bool g_ok = true;
// Every file written, removed again when a check fails: a file left behind
// would look up to date to the next build, which would then pass silently.
QStringList g_written;

void fail(const QString& what)
{
    std::fprintf(stderr, "make_demo_school: %s\n", qPrintable(what));
    g_ok = false;
}

void writeText(const QString& path, const QString& text)
{
    const QByteArray bytes = cp932::encode(text);
    if (cp932::decode(bytes) != text) {
        fail(QStringLiteral("%1: text that code page 932 cannot hold").arg(path));
        return;
    }
    QFile f(path);
    g_written << path;
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        fail(QStringLiteral("cannot write %1").arg(path));
        return;
    }
    f.close();
    if (!f.open(QIODevice::ReadOnly) || f.readAll() != bytes)
        fail(QStringLiteral("%1 does not read back byte for byte").arg(path));
}

// ---------------------------------------------------------------- sounds

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

// Scales the clip to the given peak and fades its last milliseconds, so
// overlapping notes never clip and no clip ends in a click.
std::vector<double> finish(std::vector<double> samples, double level)
{
    double peak = 0.0;
    for (double s : samples)
        peak = std::max(peak, std::abs(s));
    const double gain = peak > 0.0 ? level / peak : 0.0;
    const std::size_t fade = std::min<std::size_t>(samples.size(), kRate / 100);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        double g = gain;
        const std::size_t left = samples.size() - i;
        if (left <= fade)
            g *= double(left - 1) / double(fade);
        samples[i] *= g;
    }
    return samples;
}

// A 16-bit mono PCM .wav file from samples in [-1, 1].
void writeWav(const QString& path, const std::vector<double>& samples)
{
    QByteArray data;
    data.reserve(int(samples.size() * 2));
    for (double s : samples) {
        const auto v = std::int16_t(std::lround(std::clamp(s, -1.0, 1.0) * 32000.0));
        data.append(char(v & 0xFF));
        data.append(char((v >> 8) & 0xFF));
    }
    auto le32 = [](std::uint32_t v) {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[i] = char((v >> (8 * i)) & 0xFF);
        return b;
    };
    auto le16 = [](std::uint16_t v) {
        QByteArray b(2, '\0');
        b[0] = char(v & 0xFF);
        b[1] = char(v >> 8);
        return b;
    };
    const QByteArray wav = "RIFF" + le32(std::uint32_t(36 + data.size())) + "WAVEfmt " + le32(16) + le16(1)
                           + le16(1) + le32(std::uint32_t(kRate)) + le32(std::uint32_t(kRate * 2)) + le16(2)
                           + le16(16) + "data" + le32(std::uint32_t(data.size())) + data;
    QFile f(path);
    g_written << path;
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(wav) != wav.size())
        fail(QStringLiteral("cannot write %1").arg(path));
}

// Notes of (frequency, start, length) in seconds, with a bell-like decay.
struct Note {
    double freq;
    double start;
    double length;
};

std::vector<double> bells(const std::vector<Note>& notes, double total, double decay)
{
    std::vector<double> out(std::size_t(total * kRate), 0.0);
    for (const Note& n : notes) {
        const auto first = std::size_t(n.start * kRate);
        const auto count = std::size_t(n.length * kRate);
        for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
            const double t = double(i) / kRate;
            const double attack = std::min(1.0, t / 0.005);
            const double release = std::min(1.0, (n.length - t) / 0.02);
            const double env = attack * release * std::exp(-t * decay);
            out[first + i] += env * (std::sin(2 * kPi * n.freq * t) + 0.3 * std::sin(4 * kPi * n.freq * t));
        }
    }
    return finish(std::move(out), 0.8);
}

std::vector<double> buzz(double freq, double length)
{
    std::vector<double> out(std::size_t(length * kRate));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        const double square = std::sin(2 * kPi * freq * t) >= 0 ? 1.0 : -1.0;
        const double env = std::min(1.0, t / 0.01) * std::min(1.0, (length - t) / 0.03);
        out[i] = env * square;
    }
    // A square wave sounds far louder than a bell of the same peak.
    return finish(std::move(out), 0.35);
}

// The length in seconds of a 16-bit mono PCM file as written above, or a
// negative value when the file is not one.
double wavSeconds(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1.0;
    const QByteArray b = f.readAll();
    auto le = [&](int at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | std::uint8_t(b[at + i]);
        return v;
    };
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt " || b.mid(36, 4) != "data"
        || le(20, 2) != 1 || le(22, 2) != 1 || le(34, 2) != 16 || le(40, 4) != std::uint32_t(b.size() - 44)
        || le(4, 4) != std::uint32_t(b.size() - 8) || le(24, 4) == 0)
        return -1.0;
    return double(le(40, 4)) / 2.0 / double(le(24, 4));
}

// ---------------------------------------------------------------- texts

constexpr int kSchoolYearStartMonth = 4;
const QString kSchoolCode = QStringLiteral("12345");
const QString kSchoolItem = kSchoolCode + QStringLiteral("Korvane塾");
const QString kTeacher = QStringLiteral("先生");

QString roster(const QDate& today)
{
    // Birth years follow from today's school year, so the grades stay right
    // whatever year the demo is built in.
    const int schoolYear = computeSchoolYear(today, kSchoolYearStartMonth);
    struct Student {
        int number;
        int grade;
        const char* name;
        int status;
    };
    // Status 1 has left the school; status 2 is on leave, listed only when
    // the common settings say so.
    const Student students[] = {
        {1, 0, "髙橋　ひかり", 0},   {2, 0, "山本　そら", 0},     {3, 1, "佐藤　ゆい", 0},
        {4, 2, "鈴木　はると", 0},   {5, 3, "田中　めい", 0},     {6, 3, "伊藤　りく", 0},
        {7, 4, "渡辺　さくら", 0},   {8, 5, "中村　ゆうと", 0},   {9, 5, "小林　あおい", 0},
        {10, 6, "加藤　そうた", 0},  {11, 6, "吉田　ひなた", 0},  {12, 7, "山田　れん", 0},
        {13, 7, "斎藤　こはる", 0},  {14, 8, "松本　たくみ", 0},  {15, 9, "井上　みお", 0},
        {16, 9, "木村　けんと", 0},  {17, 8, "林　ゆず", 2},       {18, 5, "清水　だいき", 1},
    };
    QString text;
    for (const Student& s : students) {
        const int birthYear = schoolYear - s.grade - 6;
        text += QStringLiteral("%1,%2,0,0,\"%3\",%4,\"\",\"\"\r\n")
                    .arg(s.number).arg(birthYear).arg(QString::fromUtf8(s.name)).arg(s.status);
    }
    text += QStringLiteral("100,1980,0,0,\"%1\",0,\"\",\"\"\r\n").arg(kTeacher);
    return text;
}

// Per level: target, minimum line (the time limit is five times it), clear
// points and runs within the last seven days, multiplier, and at most eight
// runs a day. The times leave a child about three seconds a ladder row on
// the target and more than twice that before the run times out.
QString criteria()
{
    QString text = criteriaHeadings().join(u',') + QStringLiteral("\r\n");
    text += QStringLiteral("60,90,60,5,1,8,0,7,1,,,\r\n"
                           "90,150,60,5,1.2,8,0,7,1,,,\r\n"
                           "150,240,60,5,1.5,8,0,7,1,,,\r\n"
                           "180,300,60,5,2,8,0,7,1,,,\r\n");
    return text;
}

struct SoundCategory {
    const char* key;
    QStringList files;
};

// The drill waits for the row and problem sounds, so those stay short.
const std::vector<SoundCategory>& soundCategories()
{
    static const std::vector<SoundCategory> list = {
        {"正解音1", {"chime1", "chime2"}},        {"正解音2", {"ping1", "ping2"}},
        {"間違い音1", {"buzz1"}},                 {"間違い音2", {"buzz1", "buzz2"}},
        {"最高音1", {"fanfare1"}},                {"最高音2", {"fanfare1"}},
        {"自己最高音1", {"fanfare2"}},            {"自己最高音2", {"fanfare2", "fanfare3"}},
        {"自己最高音3", {"fanfare3"}},            {"不合格音1", {"low1"}},
    };
    return list;
}

QString soundList()
{
    QString text;
    for (const SoundCategory& c : soundCategories())
        text += QString::fromUtf8(c.key) + u',' + c.files.join(u',') + QStringLiteral(",*\r\n");
    return text;
}

// Three weeks of runs by the listed students, dated back from today. Each
// child has a pace of their own, works at the levels of their age, gets a
// little faster with practice and now and then runs out of time. A fixed
// seed keeps every demo school alike.
QByteArray startingHistory(const QDate& today)
{
    struct Child {
        int number;
        double pace;  // share of the target time a ladder takes at first
        int firstLevel, lastLevel;
    };
    const Child children[] = {
        {1, 1.6, 1, 1},  {2, 1.4, 1, 1},  {3, 1.3, 1, 2},  {4, 1.2, 1, 2},  {5, 1.1, 1, 2},   {6, 1.3, 1, 2},
        {7, 1.0, 1, 3},  {8, 0.9, 2, 3},  {9, 1.05, 2, 3}, {10, 0.85, 2, 4}, {11, 1.0, 2, 4}, {12, 0.8, 3, 4},
        {13, 0.95, 3, 4}, {14, 0.75, 3, 4}, {15, 0.7, 3, 4}, {16, 0.9, 3, 4},
    };
    const int targets[] = {0, 60, 90, 150, 180};
    std::mt19937 random(20261210);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; };
    QByteArray bytes;
    for (int daysAgo = 20; daysAgo >= 0; --daysAgo) {
        const QDate day = today.addDays(-daysAgo);
        if (day.dayOfWeek() == Qt::Sunday)
            continue;
        int minuteOfDay = 15 * 60;  // lessons start at three
        for (const Child& c : children) {
            if (!chance(0.55))
                continue;
            const int runs = 1 + int(random() % 3);
            for (int k = 0; k < runs; ++k) {
                const int level = c.firstLevel + int(random() % unsigned(c.lastLevel - c.firstLevel + 1));
                const double practice = 1.0 - 0.012 * (20 - daysAgo);
                const double noise = std::normal_distribution<double>(1.0, 0.12)(random);
                ResultRecord r;
                r.date = oleDate(day);
                minuteOfDay = std::min(minuteOfDay + 2 + int(random() % 6), 21 * 60);
                r.timeOfDay = (minuteOfDay * 60 + int(random() % 60)) / 86400.0;
                r.Bangou = std::int16_t(c.number);
                r.level = std::int16_t(level);
                r.time = chance(0.03) ? kNoTime : std::max(12, int(std::lround(targets[level] * c.pace * practice * noise)));
                r.schoolCode = kSchoolCode;
                r.points = QStringLiteral("0");
                bytes += encodeRecord(r);
            }
        }
    }
    return bytes;
}

void writeStartingHistory(const QString& path, const QDate& today)
{
    if (QFileInfo::exists(path))
        return;  // a demo class's own runs are never overwritten
    const QByteArray bytes = startingHistory(today);
    QFile f(path);
    if (!f.open(QIODevice::NewOnly) || f.write(bytes) != bytes.size()) {
        fail(QStringLiteral("cannot write %1").arg(path));
        return;
    }
    f.close();
    NewestRecords back;
    if (readNewestRecords(path, 100000, &back).status != FileStatus::Ok
        || back.recordCount * kRecordSize != bytes.size())
        fail(QStringLiteral("%1 does not read back as whole records").arg(path));
}

void writeSounds(const QString& folder)
{
    const double C5 = 523.25, E5 = 659.25, G5 = 783.99, C6 = 1046.5, A4 = 440.0, F4 = 349.23, D4 = 293.66;
    auto wav = [&](const char* name, const std::vector<double>& samples) {
        writeWav(folder + QString::fromUtf8(name), samples);
    };
    wav("chime1.wav", bells({{E5, 0, 0.45}, {C6, 0.12, 0.45}}, 0.58, 7));
    wav("chime2.wav", bells({{G5, 0, 0.45}, {C6, 0.12, 0.45}}, 0.58, 7));
    wav("ping1.wav", bells({{C6, 0, 0.25}}, 0.25, 14));
    wav("ping2.wav", bells({{G5 * 2, 0, 0.25}}, 0.25, 14));
    wav("buzz1.wav", buzz(150, 0.4));
    wav("buzz2.wav", buzz(110, 0.45));
    const std::vector<Note> fanfare = {{C5, 0, 0.4}, {E5, 0.15, 0.4}, {G5, 0.3, 0.4}, {C6, 0.45, 0.75}};
    wav("fanfare1.wav", bells(fanfare, 1.2, 3));
    wav("fanfare2.wav", bells({{G5, 0, 0.3}, {C6, 0.15, 0.6}}, 0.8, 4));
    wav("fanfare3.wav", bells({{E5, 0, 0.3}, {G5, 0.12, 0.3}, {C6, 0.24, 0.55}}, 0.8, 4));
    wav("low1.wav", bells({{A4, 0, 0.3}, {F4, 0.2, 0.3}, {D4, 0.4, 0.4}}, 0.8, 5));
    wav("最高1.wav", bells(fanfare, 1.2, 3));
    wav("合格.wav", bells({{C5, 0, 0.3}, {C5, 0.15, 0.3}, {C5, 0.3, 0.3}, {C6, 0.45, 0.9}, {G5, 0.45, 0.9}}, 1.4, 2.5));
    wav("警告1.wav", buzz(880, 0.15));
}

// ---------------------------------------------------------------- checks

void checkSettings(const QString& root)
{
    QString error;
    QString dataRoot;
    if (!readPathFile(root + kPathFileName, root, &dataRoot, &error))
        fail(error);
    else if (dataRoot != normaliseFolder(root))
        fail(QStringLiteral("the path file names %1, not %2").arg(dataRoot, root));

    CommonSettings settings;
    if (!readCommonSettings(root + kCommonSettingsFileName, &settings, &error))
        fail(error);
    else if (settings.schoolYearStartMonth != kSchoolYearStartMonth || settings.schoolCode != QStringLiteral("12345")
             || settings.schoolName != QStringLiteral("Korvane塾"))
        fail(QStringLiteral("the common settings do not read back as written"));
}

void checkRoster(const QString& root, const QDate& today)
{
    QString error;
    const auto text = cp932::readTextFile(root + kRosterFileName, &error);
    if (!text) {
        fail(error);
        return;
    }
    const int schoolYear = computeSchoolYear(today, kSchoolYearStartMonth);
    RosterReader reader(*text);
    QSet<int> numbers, grades, statuses;
    int students = 0;
    bool teacher = false;
    while (!reader.atEnd()) {
        RosterLine line;
        if (!reader.readRosterLine(line, &error)) {
            fail(error);
            return;
        }
        if (numbers.contains(line.studentNumber))
            fail(QStringLiteral("student number %1 appears twice").arg(line.studentNumber));
        numbers.insert(line.studentNumber);
        statuses.insert(line.listStatus);
        if (line.studentName.trimmed() == kTeacher) {
            teacher = true;
            continue;
        }
        ++students;
        grades.insert(gradeNumberOf(schoolYear, line.birthYear));
    }
    if (students < 15 || !teacher)
        fail(QStringLiteral("the roster holds %1 students%2").arg(students).arg(teacher ? "" : " and no teacher"));
    for (int g = 0; g <= 9; ++g)
        if (!grades.contains(g))
            fail(QStringLiteral("the roster has nobody in %1").arg(gradeTagOf(g)));
    for (int s = 0; s <= 2; ++s)
        if (!statuses.contains(s))
            fail(QStringLiteral("the roster has no line of status %1").arg(s));
}

void checkCriteria(const QString& file)
{
    QString error;
    const auto text = cp932::readTextFile(file, &error);
    if (!text) {
        fail(error);
        return;
    }
    // The reader takes twelve items at a time across lines, so a line of any
    // other width would shift every level after it.
    QStringList lines = text->split(QStringLiteral("\r\n"));
    if (lines.isEmpty() || !lines.last().isEmpty()) {
        fail(QStringLiteral("%1 does not end with CR LF").arg(file));
        return;
    }
    lines.removeLast();
    if (lines.size() != 5 || lines[0] != criteriaHeadings().join(u',')) {
        fail(QStringLiteral("%1 lacks the editor's heading line or one of the four levels").arg(file));
        return;
    }
    for (int level = 1; level < lines.size(); ++level) {
        const QStringList f = lines[level].split(u',');
        bool okTarget = false, okMinimum = false;
        const int target = f.value(0).toInt(&okTarget);
        const int minimum = f.value(1).toInt(&okMinimum);
        if (f.size() != 12 || !okTarget || !okMinimum || target <= 0 || minimum <= target)
            fail(QStringLiteral("level %1 of %2 is not a usable criteria line").arg(level).arg(file));
    }
}

void checkSounds(const QString& folder)
{
    QString error;
    const auto text = cp932::readTextFile(folder + QStringLiteral("新音ファイル.txt"), &error);
    if (!text) {
        fail(error);
        return;
    }
    // Read as the program does: a key, names, then "*".
    ListInputReader in(*text);
    QSet<QString> keysSeen;
    while (!in.atEnd()) {
        const QString key = in.readText();
        const auto& categories = soundCategories();
        const bool known = std::any_of(categories.begin(), categories.end(),
                                       [&](const SoundCategory& c) { return QString::fromUtf8(c.key) == key; });
        if (!known) {
            fail(QStringLiteral("the sound list holds %1 outside any category").arg(key));
            continue;
        }
        keysSeen.insert(key);
        int names = 0;
        for (QString name = in.readText(); name != QStringLiteral("*"); name = in.readText()) {
            if (name.isEmpty() && in.atEnd()) {
                fail(QStringLiteral("the sound list ends inside %1").arg(key));
                return;
            }
            ++names;
            const double seconds = wavSeconds(folder + name + QStringLiteral(".wav"));
            // The drill waits for these before the child may type on.
            const double longest = key == QStringLiteral("正解音2") ? 0.4 : key == QStringLiteral("正解音1") ? 0.6 : 2.0;
            if (seconds <= 0.0 || seconds > longest)
                fail(QStringLiteral("%1.wav of %2 is missing, not 16-bit mono PCM or too long").arg(name, key));
        }
        if (names == 0 || names > 20)
            fail(QStringLiteral("%1 names %2 files").arg(key).arg(names));
    }
    if (keysSeen.size() != int(soundCategories().size()))
        fail(QStringLiteral("the sound list misses a category"));
    for (const QString& fixed : {kSchoolBestFile, kGoalClearedFile, kWarningFile})
        if (wavSeconds(folder + fixed) <= 0.0)
            fail(QStringLiteral("%1 is missing or not 16-bit mono PCM").arg(fixed));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_school <data root>\n");
        return 2;
    }
    const QString root = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QStringLiteral("/");
    if (root.contains(u'"')) {
        std::fprintf(stderr, "make_demo_school: a data root with a double quote cannot be written to the path file\n");
        return 2;
    }
    const QString program = root + QStringLiteral("素因数分解/");
    const QString sounds = root + kSoundFolderName + QStringLiteral("/");
    if (!QDir().mkpath(program) || !QDir().mkpath(sounds)) {
        std::fprintf(stderr, "make_demo_school: cannot create the folders under %s\n", qPrintable(root));
        return 1;
    }
    const QDate today = QDate::currentDate();

    // An existing results file is never touched: a rebuild must not wipe
    // the runs of a demo class.
    writeText(root + kPathFileName, QStringLiteral("\"%1\",0,0,0,0,0,0,0,0,0\r\n").arg(root));
    writeText(root + kCommonSettingsFileName,
              QStringLiteral("%1,\"%2\",0,0,0,0,0,0,0,0\r\n").arg(kSchoolYearStartMonth).arg(kSchoolItem));
    writeText(root + kRosterFileName, roster(today));
    writeText(program + kCriteriaFileName, criteria());
    writeText(sounds + QStringLiteral("新音ファイル.txt"), soundList());
    writeSounds(sounds);
    writeStartingHistory(program + kResultsFileName, today);

    checkSettings(root);
    checkRoster(root, today);
    checkCriteria(program + kCriteriaFileName);
    checkSounds(sounds);
    if (!g_ok) {
        for (const QString& path : g_written)
            QFile::remove(path);
        return 1;
    }
    return 0;
}
