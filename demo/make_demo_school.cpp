// Lays out the demo school: the path file, the common settings, a roster, the
// criteria of the four levels, the sound list and synthesised sounds. Every
// text file is written in code page 932 and read back to check the bytes.
//
// Usage: make_demo_school <data root>

#include "foundation/cp932.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

bool g_ok = true;

void fail(const QString& what)
{
    std::fprintf(stderr, "make_demo_school: %s\n", qPrintable(what));
    g_ok = false;
}

void writeText(const QString& path, const QString& text)
{
    const QByteArray bytes = soinsuu::cp932::encode(text);
    if (soinsuu::cp932::decode(bytes) != text) {
        fail(QStringLiteral("%1: text that code page 932 cannot hold").arg(path));
        return;
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        fail(QStringLiteral("cannot write %1").arg(path));
        return;
    }
    f.close();
    if (!f.open(QIODevice::ReadOnly) || f.readAll() != bytes)
        fail(QStringLiteral("%1 does not read back byte for byte").arg(path));
}

// A 16-bit mono PCM .wav file from samples in [-1, 1].
void writeWav(const QString& path, const std::vector<double>& samples, int rate)
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
    QByteArray wav = "RIFF" + le32(std::uint32_t(36 + data.size())) + "WAVEfmt " + le32(16) + le16(1) + le16(1)
                     + le32(std::uint32_t(rate)) + le32(std::uint32_t(rate * 2)) + le16(2) + le16(16) + "data"
                     + le32(std::uint32_t(data.size())) + data;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(wav) != wav.size())
        fail(QStringLiteral("cannot write %1").arg(path));
}

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

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
            const double env = attack * std::exp(-t * decay);
            out[first + i] += 0.45 * env * (std::sin(2 * kPi * n.freq * t) + 0.3 * std::sin(4 * kPi * n.freq * t));
        }
    }
    return out;
}

std::vector<double> buzz(double freq, double length)
{
    std::vector<double> out(std::size_t(length * kRate));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kRate;
        const double square = std::sin(2 * kPi * freq * t) >= 0 ? 1.0 : -1.0;
        const double env = std::min(1.0, t / 0.01) * std::min(1.0, (length - t) / 0.03);
        out[i] = 0.35 * env * square;
    }
    return out;
}

QString roster(const QDate& today)
{
    // Birth years follow from today's school year, so the grades stay right
    // whatever year the demo is built in.
    const int schoolYear = today.month() < 4 ? today.year() - 1 : today.year();
    struct Student {
        int number;
        int grade;
        const char* name;
        int status;
    };
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
    text += QStringLiteral("100,1980,0,0,\"先生\",0,\"\",\"\"\r\n");
    return text;
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
    const QString program = root + QStringLiteral("素因数分解/");
    const QString sounds = root + QStringLiteral("音フォルダ/");
    QDir().mkpath(program);
    QDir().mkpath(sounds);

    writeText(root + QStringLiteral("パスデータ.txt"), QStringLiteral("\"%1\",0,0,0,0,0,0,0,0,0\r\n").arg(root));
    writeText(root + QStringLiteral("共通データ.txt"), QStringLiteral("4,\"12345Korvane塾\",0,0,0,0,0,0,0,0\r\n"));
    writeText(root + QStringLiteral("新名簿.txt"), roster(QDate::currentDate()));
    // Target, minimum line (the limit is five times it), clear points and
    // runs within a week, multiplier, over-practice limit of 8 runs a day.
    writeText(program + QStringLiteral("タイム回数データ.txt"),
              QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
                             "40,60,60,5,1,8,0,7,1,,,\r\n"
                             "60,90,60,5,1.2,8,0,7,1,,,\r\n"
                             "90,150,60,5,1.5,8,0,7,1,,,\r\n"
                             "100,180,60,5,2,8,0,7,1,,,\r\n"));
    writeText(sounds + QStringLiteral("新音ファイル.txt"),
              QStringLiteral("正解音1,chime1,chime2,*\r\n"
                             "正解音2,ping1,ping2,*\r\n"
                             "間違い音1,buzz1,*\r\n"
                             "間違い音2,buzz1,buzz2,*\r\n"
                             "最高音1,fanfare1,*\r\n"
                             "最高音2,fanfare1,*\r\n"
                             "自己最高音1,fanfare2,*\r\n"
                             "自己最高音2,fanfare2,fanfare3,*\r\n"
                             "自己最高音3,fanfare3,*\r\n"
                             "不合格音1,low1,*\r\n"));

    const double C5 = 523.25, E5 = 659.25, G5 = 783.99, C6 = 1046.5, A4 = 440.0, F4 = 349.23, D4 = 293.66;
    writeWav(sounds + QStringLiteral("chime1.wav"), bells({{E5, 0, 0.5}, {C6, 0.12, 0.5}}, 0.6, 7), kRate);
    writeWav(sounds + QStringLiteral("chime2.wav"), bells({{G5, 0, 0.5}, {C6, 0.12, 0.5}}, 0.6, 7), kRate);
    writeWav(sounds + QStringLiteral("ping1.wav"), bells({{C6, 0, 0.25}}, 0.25, 14), kRate);
    writeWav(sounds + QStringLiteral("ping2.wav"), bells({{G5 * 2, 0, 0.25}}, 0.25, 14), kRate);
    writeWav(sounds + QStringLiteral("buzz1.wav"), buzz(150, 0.4), kRate);
    writeWav(sounds + QStringLiteral("buzz2.wav"), buzz(110, 0.45), kRate);
    const std::vector<Note> fanfare = {{C5, 0, 0.4}, {E5, 0.15, 0.4}, {G5, 0.3, 0.4}, {C6, 0.45, 0.8}};
    writeWav(sounds + QStringLiteral("fanfare1.wav"), bells(fanfare, 1.2, 3), kRate);
    writeWav(sounds + QStringLiteral("fanfare2.wav"), bells({{G5, 0, 0.3}, {C6, 0.15, 0.6}}, 0.8, 4), kRate);
    writeWav(sounds + QStringLiteral("fanfare3.wav"), bells({{E5, 0, 0.3}, {G5, 0.12, 0.3}, {C6, 0.24, 0.6}}, 0.9, 4), kRate);
    writeWav(sounds + QStringLiteral("low1.wav"), bells({{A4, 0, 0.3}, {F4, 0.2, 0.3}, {D4, 0.4, 0.4}}, 0.8, 5), kRate);
    writeWav(sounds + QStringLiteral("最高1.wav"), bells(fanfare, 1.2, 3), kRate);
    writeWav(sounds + QStringLiteral("合格.wav"),
             bells({{C5, 0, 0.3}, {C5, 0.15, 0.3}, {C5, 0.3, 0.3}, {C6, 0.45, 0.9}, {G5, 0.45, 0.9}}, 1.4, 2.5), kRate);
    writeWav(sounds + QStringLiteral("警告1.wav"), buzz(880, 0.15), kRate);
    return g_ok ? 0 : 1;
}
