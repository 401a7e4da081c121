#include "scripting/frm_scr_cmd.h"

#include "app/helpers/str_helpers.h"
#include "app/ui/event_boundary.h"
#include "platform/dialog_service.h"
#include "scripting/scripts.h"
#include "translation/translated_texts.h"

#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <vector>

TFRM_ScrCmd* FRM_ScrCmd = nullptr;

namespace {

constexpr const char* kEntries[] = {
    // System variables.
    "%appdir", "%bitmapdir", "%cam1_online", "%cam2_online", "%date", "%dateraw", "%day", "%displayx", "%displayy",
    "%hour", "%minute", "%month", "%object_in_field", "%scriptdir", "%second", "%time", "%timeraw", "%trackx",
    "%tracky", "%videoheight", "%videowidth", "%year",
    // Command signatures.
    "@menu(<text>)", "beep(beep/asterisk/exclamation/hand/question/ok)", "call(<label>)",
    "callfar(<scriptfilename>)", "camera(1/2,start/stop)",
    "camera.framerate(1/2,auto/1/2/3/4/5/6/7/8/9/10/15/20/25/30/40/50/60/70/80/90/100/custom)",
    "camera.mode(1/2,frame/stream/longexposure)", "camera.refreshtime(1/2,<num>)", "camera.role(1/2,image/track)",
    "display.zone.height(<num>)", "display.zone.position(<num>,<num>)", "display.zone.position.center",
    "display.zone.ratio(screen/free)", "display.zone.size(<num>)", "display.zone.width(<num>)", "filter(on/off)",
    "filter.deconvolution.size(3x3/5x5/7x7/9x9)", "filter.deconvolution.value(1/3/5/7/9,<num>)",
    "filter.refreshrate(<num>)", "filter.repeat(<num>)", "filter.type(deconvolution/umask/wavelet)",
    "goto.destination(<ADSec>,<DECSec>)", "goto.execute", "goto.mode(absolute/relative)",
    "goto.move(wait/nowait,e/w/n/s,<num>)", "goto.origin(<ADSec>,<DECSec>)", "goto.stop", "image.name(<filename>)",
    "image.name.load(image/dark/flat,<filename>)", "image.name.loaddialog(image/dark/flat)",
    "image.name.savedialog(<filename>)", "image.save", "image.sequence(start/startwait/stop/save/pause/unpause)",
    "image.sequence.currentnumber(<num>)", "image.sequence.every(<num>,images/seconds/minutes/hours)",
    "image.sequence.filetype(bmp/jpg/avi)", "image.sequence.fixedlength(on/off,<num>)",
    "image.sequence.for(<num>,images/seconds/minutes/hours)", "image.sequence.once", "image.sequence.onefile(on/off)",
    "image.sequence.prefix(<prefixname>)", "image.sequence.prefixdialog(<prefixname>)",
    "image.sequence.saveimageinfo(on/off)", "image.sequence.start.every(<num>,seconds/minutes/hours)",
    "image.sequence.untilstopped()", "image.tabsource(source1/source2/result/mosaic)",
    "inputchoice(<text>,<choices (up to 10)>,<variable>)", "inputdouble(<text>,<variable>)",
    "inputinteger(<text>,<variable>)", "inputstring(<text>,<variable>)", "int(<num>,<num>)",
    "integration(on/off/start/startwait/stop/reset)", "integration.count(<num>)", "integration.fulltimeview(on/off)",
    "integration.type(unique/loop/dark/flat)", "jump(<label>)", "jumpif(<condition>,<label>)",
    "longexposure(start/startwait/stop)", "longexposure.count(<num>)", "longexposure.length(<num>)",
    "longexposure.selfguide(on/off)", "longexposure.selfguide.length(<num>)", "longexposure.type(image/dark/flat)",
    "message.show(<text>)", "messagebox.clear", "messagebox.hide", "messagebox.show(<text>)",
    "messagebox.showwait(<text>)", "mosaic(on/off)", "mosaic.count(<num>)", "mosaic.duration(<num>)",
    "mosaic.height(<num>)", "mosaic.init", "mosaic.options.movements.mode(softtrack/standalone)",
    "mosaic.options.movements.reverse(on/off)", "mosaic.options.movements.standalone.rate.x(<num>)",
    "mosaic.options.movements.standalone.rate.y(<num>)", "mosaic.options.movements.standalone.unit(pixels/secarcs)",
    "mosaic.position(<num>,<num>)", "mosaic.width(<num>)", "player.go(first/last)", "player.loop(on/off)",
    "player.play(start/startwait,forward/reverse)", "player.step(forward/reverse)", "player.stop",
    "playsound(<filename>)", "reticle(on/off)", "reticle.position(1/2,<num>,<num>)",
    "reticle.position.centeron(1/2,screen/track)", "reticle.show.circle(1/2,on/off)",
    "reticle.show.cross(1/2,on/off)", "return", "setparallelport(<address>,1/2/3/4/5/6/7/8/9/14/16/17,0/1)",
    "setserialport(<comport>,RTS/DTR,0/1)", "shellexec(<filename>,<parameters>,<directory>)",
    "telescope.softspeed(<num>)", "track(on/off)", "track.autoguide(start/stop)", "track.autoguide.shift()",
    "track.inverse(on/off)", "track.mode(brightpixel/axissum/limitdetect/correlation/drift)",
    "track.mode.precision(<num>)", "track.zone.position(<num>,<num>)", "track.zone.position.center",
    "track.zone.size(<num>)", "var(<variable>,integer/double/string)", "wait(<num>)",
    "window.camsettings(1/2,format/source)", "window.display(show/hide,cameras/reticle/speed/zones)",
    "window.focus(show/hide)",
    "window.images(show/hide,autoselect/darks/filters/flats/information/integration/levels/sequencer)",
    "window.measure(show/hide,sampling/distances/declination)", "window.minisource(show/hide)",
    "window.mosaics(show/hide)", "window.mvtdetect(show/hide)", "window.preferences(show/hide)",
    "window.scripts(show/hide)", "window.sky(show/hide)", "window.track(show/hide)", "zone.link(on/off)",
};

// The text between the entry's first "(" and the ")" that closes it: a
// placeholder such as "<choices (up to 10)>" holds parentheses of its own.
QString signatureArgs(const QString& entry)
{
    const int open = entry.indexOf(QLatin1Char('('));
    if (open < 0)
        return {};
    int depth = 0;
    for (int i = open; i < entry.size(); ++i) {
        if (entry[i] == QLatin1Char('('))
            ++depth;
        else if (entry[i] == QLatin1Char(')') && --depth == 0)
            return entry.mid(open + 1, i - open - 1);
    }
    return entry.mid(open + 1);
}

} // namespace

std::span<const char* const> TFRM_ScrCmd::Entries() { return kEntries; }

TFRM_ScrCmd::TFRM_ScrCmd(QWidget* parent) : TForm(parent)
{
    setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    params_ = {Param{LBL_Parametre1, EDT_Parametre1, CBX_Parametre1, BTN_Charger1, BTN_Memoire1},
               Param{LBL_Parametre2, EDT_Parametre2, CBX_Parametre2, BTN_Charger2, BTN_Memoire2},
               Param{LBL_Parametre3, EDT_Parametre3, CBX_Parametre3, BTN_Charger3, BTN_Memoire3}};
    for (const Param& p : params_) {
        p.label->hide();
        p.edit->hide();
        p.list->hide();
        p.load->hide();
        p.memory->hide();
    }

    // The list control keeps its entries sorted.
    std::vector<QString> sorted;
    for (const char* e : kEntries)
        sorted.push_back(QString::fromLatin1(e));
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    for (const QString& e : sorted)
        CBX_Command->addItem(e);
    CBX_Command->setCurrentIndex(-1);

    auto guard = [](const QString& cause, std::function<void()> handler) {
        return [cause, handler = std::move(handler)] { app::runGuarded(cause, handler); };
    };
    connect(CBX_Command, &QComboBox::activated, this,
            guard(QStringLiteral("CBX_Command"), [this] { CBX_CommandChange(); }));
    connect(BTN_Charger1, &QPushButton::clicked, this, guard(QStringLiteral("BTN_Charger1"), [this] { BTN_Charger1Click(); }));
    connect(BTN_Charger2, &QPushButton::clicked, this, guard(QStringLiteral("BTN_Charger2"), [this] { BTN_Charger2Click(); }));
    connect(BTN_Charger3, &QPushButton::clicked, this, guard(QStringLiteral("BTN_Charger3"), [this] { BTN_Charger3Click(); }));
    connect(BTN_Inserer, &QPushButton::clicked, this, guard(QStringLiteral("BTN_Inserer"), [this] { BTN_InsererClick(); }));
    connect(BTN_Annuler, &QPushButton::clicked, this, guard(QStringLiteral("BTN_Annuler"), [this] { BTN_AnnulerClick(); }));
}

void TFRM_ScrCmd::CBX_CommandChange()
{
    const QString args = signatureArgs(CBX_Command->currentText());
    const int n = StrHelpers::CountFields(args, QLatin1Char(','));
    for (int k = 1; k <= std::min(n, 3); ++k) {
        const std::size_t i = static_cast<std::size_t>(k - 1);
        ParamSpec[i] = StrHelpers::ExtractField(args, QLatin1Char(','), k);
        ParamIsList[i] = ParamSpec[i].contains(QLatin1Char('/'));
        if (ParamIsList[i]) {
            QComboBox* list = params_[i].list;
            list->clear();
            list->addItems(ParamSpec[i].split(QLatin1Char('/')));
            list->setCurrentIndex(-1);
        }
    }
    for (int k = 1; k <= 3; ++k) {
        const std::size_t i = static_cast<std::size_t>(k - 1);
        const Param& p = params_[i];
        const bool used = !StrHelpers::ExtractField(args, QLatin1Char(','), k).isEmpty() && k <= n;
        p.list->setVisible(used && ParamIsList[i]);
        p.edit->setVisible(used && !ParamIsList[i]);
        p.label->setVisible(used);
        p.load->setVisible(used);
    }
}

void TFRM_ScrCmd::Charger(int k)
{
    const std::size_t i = static_cast<std::size_t>(k - 1);
    const QString& spec = ParamSpec[i];
    QLineEdit* edit = params_[i].edit;
    if (spec == QLatin1String("<ADSec>") || spec == QLatin1String("<DECSec>")) {
        const auto [ra, dec] = MemorisedPosition ? MemorisedPosition() : std::pair<double, double>{0.0, 0.0};
        edit->setText(Scripts::FloatToStr(spec == QLatin1String("<ADSec>") ? ra : dec));
        return;
    }
    const bool prefix = spec == QLatin1String("<prefixname>") && k == 1;
    if (spec != QLatin1String("<filename>") && !prefix)
        return;
    platform::FileDialogRequest request;
    request.title = TranslatedTexts.MSG_Titre_Fichier;
    request.directory = SVD_Fichier.InitialDir;
    request.fileName = SVD_Fichier.FileName;
    request.confirmOverwrite = false;   // only a name is chosen, nothing is written
    const std::optional<QString> chosen = platform::dialogs().saveFile(request);
    if (!chosen)
        return;
    SVD_Fichier.FileName = *chosen;
    edit->setText(prefix ? StrHelpers::RemoveFileExt(*chosen) : *chosen);
}

QString TFRM_ScrCmd::Statement() const
{
    if (CBX_Command->currentIndex() < 0)
        return {};
    QString statement = StrHelpers::ExtractCommandWord(CBX_Command->currentText());
    for (std::size_t i = 0; i < params_.size(); ++i) {
        const QString separator = i == 0 ? QStringLiteral("(") : QStringLiteral(",");
        if (!params_[i].edit->isHidden())
            statement += separator + params_[i].edit->text();
        else if (!params_[i].list->isHidden())
            statement += separator + params_[i].list->currentText();
    }
    if (!params_[0].edit->isHidden() || !params_[0].list->isHidden())
        statement += QLatin1Char(')');
    return statement;
}

void TFRM_ScrCmd::BTN_InsererClick()
{
    const QString statement = Statement();
    if (statement.isEmpty() || !FRM_Script)
        return;
    // The line before which it goes: lines are passed while the text before
    // them (a line break counted as two) stays before the caret.
    const QStringList lines = FRM_Script->EditorLines();
    const std::int64_t caret = FRM_Script->CaretPosition();
    int index = 0;
    std::int64_t passed = 0;
    while (index < lines.size() && passed < caret) {
        passed += lines[index].size() + 2;
        ++index;
    }

    QPlainTextEdit* memo = FRM_Script->Memo_Script;
    QTextCursor c(memo->document());
    if (index < lines.size()) {
        c.setPosition(memo->document()->findBlockByNumber(index).position());
        c.insertText(statement + QLatin1Char('\n'));
    } else {
        c.movePosition(QTextCursor::End);
        const QString text = memo->toPlainText();
        c.insertText(text.isEmpty() || text.endsWith(QLatin1Char('\n')) ? statement : QLatin1Char('\n') + statement);
    }
    Scripts::CurrentScript().Lines = FRM_Script->EditorLines();
}

void TFRM_ScrCmd::BTN_AnnulerClick() { close(); }
