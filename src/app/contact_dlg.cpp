#include "app/contact_dlg.h"

#include "res/about_resource.h"
#include "res/resource.h"

#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

BEGIN_MESSAGE_MAP(CContactDlg, CDialog)
ON_WM_PAINT()
END_MESSAGE_MAP()

CContactDlg::CContactDlg(CWnd* pParent) : CDialog(res::IDD_CONTACT, pParent) { }

void CContactDlg::DoDataExchange(CDataExchange*) { }

namespace {

// The rule is an empty static; it shows as a solid black bar, drawn over whatever
// the dialog paints beneath it.
void MakeBlackRule(CWnd* rule)
{
    QWidget* widget = rule ? rule->GetWidget() : nullptr;
    if (!widget)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

BOOL CContactDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    MakeBlackRule(GetDlgItem(res::IDC_CONTACT_RULE));
    m_pPicture = fx::LoadBitmapResource(res::IDB_FIGURE);
    m_pLogo = fx::LoadBitmapResource(res::IDB_WORDMARK);
    return TRUE;
}

void CContactDlg::OnPaint()
{
    CPaintDC dc(this);
    QPainter* painter = dc.GetSafeHdc();
    if (!painter)
        return;
    painter->save();
    if (m_pPicture) {
        // AND with what is already there: the white ground leaves the dialog's own
        // colour, only the dark lines show.
        painter->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter->drawPixmap(QPoint(res::kFigureX, res::kFigureY), *m_pPicture,
                            QRect(0, 0, res::kFigureWidth, res::kFigureHeight));
    }
    if (m_pLogo) {
        painter->setCompositionMode(QPainter::CompositionMode_Source);
        painter->drawPixmap(QPoint(res::kWordmarkX, res::kWordmarkY), *m_pLogo,
                            QRect(0, 0, res::kWordmarkWidth, res::kWordmarkHeight));
    }
    painter->restore();
}
