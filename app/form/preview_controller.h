// The preview under the form's controls: loading the chosen source's picture, stepping back and
// forth through its list, the region and source switches, and the two things done with the
// picture shown: Set (the second monitor's wallpaper) and Save to Harddisk.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>

#include "form/focus_keeper.h"
#include "preview/app_source_table.h"
#include "preview/wikipedia_day.h"

class CustomFileList;
class FeedListFetch;
class LoadWallpaperThread;
class PreviewDecoder;
class SecondMonitorWallpaper;
class UhdRendition;
class QImage;
class QTimer;
class QWidget;

namespace Ui {
class AutoPixoriaForm;
}

class PreviewController : public QObject {
  Q_OBJECT

 public:
  // Works on the form's widgets; `form` parents the loaders and the dialogs.
  PreviewController(Ui::AutoPixoriaForm* ui, CustomFileList* customFiles, QWidget* form);
  // Joins the decoder's and the fitter's threads: they draw through the imaging library, which
  // the form shuts down right after.
  void joinWorkers();

  // The first load, a moment after the form shows.
  void startFirstLoad();

  // The source the combo box shows, or null while it has no current item.
  const AppSource* currentSource() const;
  // Its number, -1 while the combo box has no current item.
  int currentSourceNumber() const;
  // Selects the source stored as `number`; a number without an item leaves none current.
  void chooseStoredSource(std::uint32_t number);
  SourcePositions& positions() { return shown; }
  const SourcePositions& positions() const { return shown; }

  void back();
  void next();
  void reload();
  void regionChosen(int region);
  void sourceChosen(int comboIndex);
  void save();
  // Set: the picture shown onto the second monitor.
  void setShownPicture();
  // Moves a custom position outside the list back to its first entry while the custom list is
  // chosen; true when it moved (the position is then stored again).
  bool keepCustomPositionInList();
  // After the agent reloaded: the feed's picture, or the current custom file.
  void setPictureAfterReload();
  // Shows the custom file at `index`, the first one when `index` lies outside the list;
  // `selectInList` makes it the list's current entry.
  void showCustomImage(int index, bool selectInList = true);
  // Back and Next show for a custom list of two files or more.
  void setCustomNavigationVisible();
  // The preview area shows a text now: a picture still being decoded must not cover it.
  void discardPendingPicture();
  // Takes the Bing market at `region` for the next loads.
  void setRegion(int region);

 signals:
  // A change the settings must keep: the region, the source, the positions.
  void settingsEdited();

 private slots:
  void onGetWallpaperTimer();
  void onLoadImageTimer();
  void onDownloadComplete();
  void onFirstImageReady(const QString& status);
  void onLoadWallpaperProcessFinish();
  void onDownloadFail();
  void onShowDesc(const QString& description);

 private:
  void startPreviewLoad();
  // One step back or forward through the current source's list, which shows that entry.
  void step(bool back);
  void showDownloadedImage();
  // Decodes `path` on a worker thread at the size the preview shows; onPreviewDecoded shows it.
  void showScaled(const QString& path);
  // A picture that did not decode leaves the reason in the preview area instead of an empty frame.
  void onPreviewDecoded(const QImage& image, const QString& failure);
  void setPreviewControlsEnabled(bool enabled);
  void setWallpaper(const QString& imagePath);
  // Sets the previewed feed picture as setWallpaper does: for Bing on a screen larger than
  // 1920x1080, its UHD rendition when the server has it.
  void setPreviewWallpaper();
  // The UHD rendition's address of the Bing picture the preview shows; empty for other sources,
  // while no picture is shown, and when its path names none.
  QString previewUhdAddress() const;
  UhdRendition* uhdRendition();
  // Writes `source` to `path` as Save to Harddisk does, and says why when it cannot.
  void savePicture(const QString& source, const QString& path);
  SourceLists lists() const;

  Ui::AutoPixoriaForm* ui;
  CustomFileList* customFiles;
  QWidget* form;

  SourcePositions shown;
  QStringList bingUrlList;
  QList<QByteArray> nasaUrlList;
  QList<QByteArray> nasaDescriptionList;
  QList<WikipediaDay> wikipediaDays;
  // One fetch of each list at a time, whichever loader started it.
  FeedListFetch* nasaListFetch = nullptr;
  FeedListFetch* wikipediaListFetch = nullptr;
  LoadWallpaperThread* previewThread = nullptr;
  // The loader of the most recent load: the only one whose reports reach the form, and the only
  // one that may write the preview file.
  QPointer<LoadWallpaperThread> latestLoader;
  PreviewDecoder* previewDecoder = nullptr;
  // The file the preview decoder was last asked for.
  QString decodingPath;
  SecondMonitorWallpaper* secondMonitorWallpaper = nullptr;
  UhdRendition* uhdFetcher = nullptr;
  bool loadInProgress = false;
  bool firstLoadStarted = false;
  bool downloadCompleted = false;
  QTimer* getWallpaperTimer = nullptr;
  QTimer* loadImageTimer = nullptr;
  // Keeps keyboard focus on the control that had it while a load disables the controls.
  FocusKeeper focusKeeper;
};
