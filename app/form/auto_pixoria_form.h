// The configuration form: every control of the application in one widget, hosted by the main
// window. Its widget set comes from auto_pixoria_form.ui; the constructor lays it out.
//
// The form's code is split by concern: auto_pixoria_form.cpp builds it, form_settings.cpp keeps
// the settings and steers the agent, form_preview.cpp loads and navigates the feed preview,
// form_custom_list.cpp edits and shows the custom list.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>

#include "form/focus_keeper.h"
#include "pixoria/platform/registry.h"
#include "pixoria/platform/windows.h"
#include "preview/wikipedia_day.h"

class FeedListFetch;
class LoadWallpaperThread;
class PreviewDecoder;
class SecondMonitorWallpaper;
class UhdRendition;
class QImage;
class QTimer;

namespace Ui {
class AutoPixoriaForm;
}

class AutoPixoriaForm : public QWidget {
  Q_OBJECT

 public:
  explicit AutoPixoriaForm(QWidget* parent = nullptr);
  ~AutoPixoriaForm() override;

  // Adds the items of the time-unit, source and region boxes (item index = stored setting) and
  // empties the two caption lines under the preview.
  void fillComboBoxes();

  // Picks the white icons on a dark colour scheme and the black ones otherwise; both arrows are
  // gray while the Back button is disabled at the moment of the call.
  void updateThemeIcons();

 signals:
  void showAbout();

 private slots:
  void onGetWallpaperTimer();
  void onLoadImageTimer();
  void onDownloadComplete();
  void onFirstImageReady(QString status);
  void onLoadWallpaperProcessFinish();
  void onDownloadFail();
  void onShowDesc(QString description);
  void on_pixoriaTimeSpinBox_valueChanged(int value);
  void on_pixoriaTimeComboBox_currentIndexChanged(int index);
  void on_pixoriaRegionComboBox_currentIndexChanged(int index);
  void on_pixoriaBackToolButton_clicked();
  void on_pixoriaNextToolButton_clicked();
  void on_pixoriaImageButton_clicked();
  void on_pixoriaImageReloadButton_clicked();
  void on_pixoriaSourceComboBox_currentIndexChanged(int index);
  void on_pixoriaImageSaveButton_clicked();
  void on_customSourceAddPushButton_clicked();
  void on_customSourceRemovePushButton_clicked();
  void on_customSourceTree_itemSelectionChanged();
  void on_pixoriaDualMonitorCheckBox_clicked();
  void on_startButton_clicked();
  void on_stopButton_clicked();
  void on_websiteButton_clicked();
  void on_aboutButton_clicked();
  void on_helpButton_clicked();
  void on_customSourceClearPushButton_clicked();

 private:
  void buildLayout();
  // The region row shows for Bing only, the custom list's widgets for the custom source only.
  void showSourceControls(int source);

  // Settings and the agent.
  void readCustomList();
  void writeCustomList(bool notifyAgent);
  void readDataPixoria();
  void writeDataPixoria();
  void applyToAgent();
  void setWallpaper(const QString& imagePath);
  // Sets the previewed feed picture as setWallpaper does: for Bing on a screen larger than
  // 1920x1080, its UHD rendition when the server has it.
  void setPreviewWallpaper();
  // The change handlers' common tail: the list, then every setting, then the agent.
  void writeAllSettings();
  bool running() const;
  QString agentCommandPath() const;
  void startAgent(const QString& commandPath);
  void writeAutostartEntry(const QString& commandPath);
  // The index value of the current source (BingCurrentIndex, ... CustomIndex).
  void addCurrentSourceIndex(pixoria::platform::RegValueBatch& batch) const;
  // The custom list: CustomCount, its entries and CustomIndex.
  void addCustomList(pixoria::platform::RegValueBatch& batch) const;
  // Every other setting the form edits.
  void addSettings(pixoria::platform::RegValueBatch& batch) const;
  // Writes `batch` as one update of the settings key; after a failed save, what that save held
  // goes with it. A failure is told to the user once; false then.
  bool saveSettings(const pixoria::platform::RegValueBatch& batch);

  // The feed preview.
  void startPreviewLoad();
  void showDownloadedImage();
  void setRegion(int region);
  // Decodes `path` on a worker thread at the size the preview shows; onPreviewDecoded shows it.
  void showScaled(const QString& path);
  // A picture that did not decode leaves the reason in the preview area instead of an empty frame.
  void onPreviewDecoded(const QImage& image, const QString& failure);
  // The preview area shows a text now: a picture still being decoded must not cover it.
  void discardPendingPicture();
  void setPreviewControlsEnabled(bool enabled);
  // The UHD rendition's address of the Bing picture the preview shows; empty for other sources,
  // while no picture is shown, and when its path names none.
  QString previewUhdAddress() const;
  UhdRendition* uhdRendition();
  // Writes `source` to `path` as Save to Harddisk does, and says why when it cannot.
  void savePicture(const QString& source, const QString& path);

  // The custom list.
  void showCustomImage(int index);
  void addCustomFiles(const QStringList& paths);
  void setCustomNavigationVisible();

  Ui::AutoPixoriaForm* ui;

  QString subKey;
  QString agentClassName;
  QString agentWindowTitle;
  QString agentExeName;

  int bingWalpaperSourceURLIndex = 0;
  int nasaWalpaperSourceURLIndex = 0;
  int wikipediaWalpaperSourceURLIndex = 0;
  int customWalpaperSourceURLIndex = 0;
  QStringList customFileList;
  bool initialized = false;
  // A save failed: the next one writes the whole form, so nothing is lost once writing works.
  bool settingsUnsaved = false;
  bool imagingStarted = false;
  std::uintptr_t imagingToken = 0;
  pixoria::platform::WindowHandle mainAppHWnd = nullptr;

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
