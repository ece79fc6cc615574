#include "stringtable.h"

#include <iterator>

// Each entry: key, Simplified Chinese, English, Traditional Chinese. The order matters: it is
// the order in which the lookup tables are filled. Keep every %N placeholder, line break and
// leading or trailing blank of the English text in the Chinese texts, and keep every
// Simplified Chinese text distinct, since it is also a lookup string.
const StringEntry baseStringTable[] = {
    // Language menu
    {"MenuLanguage", "语言", "&Language", "語言"},
    {"MenuFile", "文件(&F)", "&File", "檔案(&F)"},
    {"MenuSaveReport", "保存报告…", "Save report…", "儲存報告…"},
    {"DlgSaveReport", "保存测试报告", "Save the test report", "儲存測試報告"},
    {"FilterJson", "JSON 报告 (*.json)", "JSON report (*.json)", "JSON 報告 (*.json)"},
    {"MenuSaveImage", "保存图片…", "Save image…", "儲存圖片…"},
    {"MenuCopyResults", "复制结果", "Copy results", "複製結果"},
    {"DlgSaveImage", "保存结果图片", "Save the results as an image", "儲存結果圖片"},
    {"FilterPng", "PNG 图片 (*.png)", "PNG image (*.png)", "PNG 圖片 (*.png)"},
    {"MsgSaveFailed", "无法写入 %1。", "Cannot write %1.", "無法寫入 %1。"},
    {"LogResultsCopied", "测试结果已复制到剪贴板。", "The results were copied to the clipboard.",
     "測試結果已複製到剪貼簿。"},
    {"MenuView", "视图(V)", "View", "檢視(V)"},
    {"MenuShowLog", "显示日志", "Show log", "顯示日誌"},
    {"MenuHistory", "卡的历史…", "Card history…", "卡的歷史…"},
    {"MenuHistoryEnabled", "记录测试到历史", "Record tests in the history", "記錄測試到歷史"},
    {"DlgHistory", "卡的历史", "Card history", "卡的歷史"},
    {"LabelHistCard", "卡：", "Card:", "卡："},
    {"LabelHistAllCards", "全部卡", "All cards", "全部卡"},
    {"LabelHistChartCard", "图表：%1", "Chart: %1", "圖表：%1"},
    {"LabelHistCardItem", "%1 [%2] %3 GB，%4 次测试", "%1 [%2] %3 GB, %4 tests",
     "%1 [%2] %3 GB，%4 次測試"},
    {"ColHistDate", "日期", "Date", "日期"},
    {"ColHistCard", "卡", "Card", "卡片"},
    {"ColHistTest", "测试", "Test", "測試"},
    {"BtnHistDelete", "删除", "Delete", "刪除"},
    {"BtnHistClose", "关闭历史", "Close", "關閉歷史"},
    {"BtnHistExport", "导出 CSV…", "Export CSV…", "匯出 CSV…"},
    {"DlgExportHistory", "导出历史", "Export the history", "匯出歷史"},
    {"FilterCsv", "CSV 文件 (*.csv)", "CSV file (*.csv)", "CSV 檔案 (*.csv)"},
    {"MsgHistDelete", "从历史中删除所选的 %1 次测试？",
     "Delete the %1 selected tests from the history?", "從歷史中刪除所選的 %1 次測試？"},
    {"GroupLog", "日志", "Log", "日誌"},
    {"BtnCopyLog", "复制日志", "Copy log", "複製日誌"},
    {"BtnSaveLog", "保存日志…", "Save log…", "儲存日誌…"},
    {"DlgSaveLog", "保存日志文件", "Save the log", "儲存日誌檔案"},
    {"FilterLog", "文本文件 (*.log *.txt)", "Text file (*.log *.txt)", "文字檔 (*.log *.txt)"},
    {"LabelResultSettings", "模式：%1 · 流数：%2 · 每流大小：%3 · 块大小：%4 · 读取：%5 · 轮数：%6",
     "Mode: %1 · Streams: %2 · Size per stream: %3 · Block: %4 · Read: %5 · Rounds: %6",
     "模式：%1 · 串流數：%2 · 每串流大小：%3 · 區塊大小：%4 · 讀取：%5 · 輪數：%6"},
    {"LabelResultDate", "测试时间：%1", "Tested: %1", "測試時間：%1"},
    {"LangZh", "中文", "中文", "中文"},
    {"LangEn", "English", "English", "English"},

    // Main window: group titles, labels, buttons, options
    {"GroupTestSettings", "测试设置", "Test Settings", "測試設定"},
    {"GroupWriteTest", "写入测试", "Write Test", "寫入測試"},
    {"GroupReadTest", "读取测试", "Read Test", "讀取測試"},
    {"GroupSpeedCurve", "实时速度曲线", "Real-time Speed Curve", "即時速度曲線"},
    {"GroupResults", "测试结果", "Test Results", "測試結果"},
    {"LabelDrive", "目标驱动器：", "Target drive:", "目標磁碟機："},
    {"BtnRefresh", "刷新", "Refresh", "重新整理"},
    {"LabelMode", "测试模式：", "Test mode:", "測試模式："},
    {"RadioRandom", "随机数据", "Random data", "隨機資料"},
    {"RadioExternalFile", "外部文件", "External file", "外部檔案"},
    {"LabelSize", "测试大小：", "Test size:", "測試大小："},
    {"LabelStreams", "并行流数：", "Streams:", "並行串流數："},
    {"TotalSize1GB", "总计：1 GB", "Total: 1 GB", "總計：1 GB"},
    {"TotalSizeGB", "总计：%1 GB", "Total: %1 GB", "總計：%1 GB"},
    {"TotalSizeMB", "总计：%1 MB", "Total: %1 MB", "總計：%1 MB"},
    {"LabelFiles", "外部文件：", "External files:", "外部檔案："},
    {"HintAddFiles", "点击添加文件", "Click to add files", "按一下以新增檔案"},
    {"HintNoFileSelected", "未选择文件", "No files selected", "未選取檔案"},
    {"BtnBrowse", "浏览...", "Browse...", "瀏覽..."},
    {"BtnClearFiles", "清空", "Clear", "清除"},
    {"LabelBlock", "块大小：", "Block size:", "區塊大小："},
    {"LabelReadSpeed", "读取速度：", "Read speed:", "讀取速度："},
    {"CheckReadTest", "执行读取测试（关闭时只执行写入，并隐藏读取界面与结果列）",
     "Run read test (when off, only write runs; read UI and columns are hidden)",
     "執行讀取測試（關閉時只執行寫入，並隱藏讀取介面與結果欄）"},
    {"BtnVerdictRules", "判定规则...", "Verdict rules...", "判定規則..."},
    {"BtnStart", "开始测试", "Start test", "開始測試"},
    {"BtnStop", "停止", "Stop", "停止"},

    // Progress line
    {"ProgressInitial", "当前：-- MB/s  |  平均：-- MB/s", "Current: -- MB/s  |  Avg: -- MB/s",
     "目前：-- MB/s  |  平均：-- MB/s"},
    {"ProgressLive", "当前：%1 MB/s  |  平均：%2 MB/s", "Current: %1 MB/s  |  Avg: %2 MB/s",
     "目前：%1 MB/s  |  平均：%2 MB/s"},
    {"RoundPrefix", "第 %1/%2 轮 · ", "Round %1/%2 · ", "第 %1/%2 輪 · "},
    {"LabelStressMode", "压力模式：写满整卡，%1 轮", "Stress mode: fill the card, %1 rounds",
     "壓力模式：寫滿整卡，%1 輪"},
    {"LabelStressFilling", "压力模式：写满中，第 %1/%2 个文件，剩余 %3",
     "Stress mode: filling, file %1 of %2, %3 left", "壓力模式：寫滿中，第 %1/%2 個檔案，剩餘 %3"},
    {"LabelStressRound", "压力模式：第 %1/%2 轮，剩余 %3", "Stress mode: round %1 of %2, %3 left",
     "壓力模式：第 %1/%2 輪，剩餘 %3"},
    {"MsgStressTitle", "开始压力测试", "Start the stress test", "開始壓力測試"},
    {"MsgStressBody",
     "压力测试将用 %2 个 %3 MB 的文件写满 %1 的剩余空间，然后重写最早的文件 %4 次：共写入 %5 "
     "GB。\n\n预计用时：%6（按假定的 %7 MB/s，即较慢的卡计算）；写完第一个文件后将显示剩余时间。"
     "\n\n开始压力测试吗？",
     "The stress test fills the free space of %1 with %2 files of %3 MB, then rewrites the "
     "oldest file %4 times: %5 GB written in all.\n\nEstimated duration: %6 at an assumed %7 "
     "MB/s (a slow card); the time left is shown once the first file is written.\n\nStart the "
     "stress test?",
     "壓力測試將以 %2 個 %3 MB 的檔案寫滿 %1 的剩餘空間，然後重寫最早的檔案 %4 次：共寫入 %5 "
     "GB。\n\n預估用時：%6（以假定的 %7 MB/s，即較慢的卡計算）；寫完第一個檔案後將顯示剩餘時間。"
     "\n\n開始壓力測試嗎？"},
    {"LogStressEstimate",
     "压力测试：%1 个 %2 MB 文件，%3 轮，共写入 %4 GB；预计用时 %5（按假定的 %6 MB/s，尚未实测）",
     "Stress test: %1 files of %2 MB, %3 rounds, %4 GB to write; estimated duration %5 at an "
     "assumed %6 MB/s (not yet measured)",
     "壓力測試：%1 個 %2 MB 檔案，%3 輪，共寫入 %4 GB；預估用時 %5（以假定的 %6 MB/s，尚未實測）"},
    {"LogStressMeasured", "压力测试：第一个文件写入速度 %1 MB/s；预计总用时 %2",
     "Stress test: first file written at %1 MB/s; estimated duration %2 in all",
     "壓力測試：第一個檔案寫入速度 %1 MB/s；預估總用時 %2"},
    {"ProgressTime", "  |  已用 %1，剩余 %2", "  |  %1 elapsed, %2 left", "  |  已用 %1，剩餘 %2"},
    {"ProgressBarLine", "%1 [%2] %3%  %4 MB/s  平均 %5 MB/s  已用 %6  剩余 %7",
     "%1 [%2] %3%  %4 MB/s  avg %5 MB/s  %6 elapsed  %7 left",
     "%1 [%2] %3%  %4 MB/s  平均 %5 MB/s  已用 %6  剩餘 %7"},
    // The same where a narrow terminal has no room for the elapsed time.
    {"ProgressBarLineShort", "%1 [%2] %3%  %4 MB/s  平均 %5  剩余 %6",
     "%1 [%2] %3%  %4 MB/s  avg %5  %6 left", "%1 [%2] %3%  %4 MB/s  平均 %5  剩餘 %6"},

    // Results table: column headers and the card-total row
    {"ColFile", "文件", "File", "檔案"},
    {"ColWriteAvg", "写入平均", "Write Avg", "寫入平均"},
    {"ColWriteMax", "写入最大", "Write Max", "寫入最大"},
    {"ColWriteMin", "写入最小", "Write Min", "寫入最小"},
    {"ColWriteJitter", "写入抖动", "Write Jitter", "寫入抖動"},
    {"ColWriteCV", "写入 CV", "Write CV", "寫入 CV"},
    {"ColWriteDrop", "写入掉速", "Write Drop", "寫入掉速"},
    {"ColReadAvg", "读取平均", "Read Avg", "讀取平均"},
    {"ColReadMax", "读取最大", "Read Max", "讀取最大"},
    {"ColReadMin", "读取最小", "Read Min", "讀取最小"},
    {"ColReadJitter", "读取抖动", "Read Jitter", "讀取抖動"},
    {"ColReadCV", "读取 CV", "Read CV", "讀取 CV"},
    {"ColReadDrop", "读取掉速", "Read Drop", "讀取掉速"},
    {"ColVerdict", "判定", "Verdict", "判定"},
    {"RowCardTotal", "整卡合计", "Card total", "整卡合計"},

    // Drive list
    {"DriveRemovable", "可移动", "Removable", "卸除式"},
    {"DriveWarnNoDrive", "⚠ 未检测到可移动驱动器 — 请插入存储卡 / U 盘",
     "⚠ No removable drive detected — please insert an memory card / USB drive",
     "⚠ 未偵測到卸除式磁碟機 — 請插入記憶卡 / USB 隨身碟"},
    {"DriveOnlyWindows", "仅限 Windows", "Windows only", "僅限 Windows"},

    // Verdict rules dialog
    {"DlgVerdictTitle", "判定规则", "Verdict Rules", "判定規則"},
    {"SectionMetricThresholds", "指标阈值（任一项超出即触发相应的降级）",
     "Metric thresholds (any one trips the corresponding downgrade)",
     "指標門檻（任一項超出即觸發相應的降級）"},
    {"ColMetric", "指标", "Metric", "指標"},
    {"HdrFailGt", "<b>不达标 &gt;</b>", "<b>Fail &gt;</b>", "<b>未達標 &gt;</b>"},
    {"HdrWarnGt", "<b>警告 &gt;</b>", "<b>Warn &gt;</b>", "<b>警告 &gt;</b>"},
    {"HdrFailLt", "<b>不达标 &lt;</b>", "<b>Fail &lt;</b>", "<b>未達標 &lt;</b>"},
    {"HdrWarnLt", "<b>警告 &lt;</b>", "<b>Warn &lt;</b>", "<b>警告 &lt;</b>"},
    {"MetricJitter", "抖动", "Jitter", "抖動"},
    {"MetricCV", "CV（变异系数）", "CV (coefficient of variation)", "CV（變異係數）"},
    {"MetricDrop", "掉速比例", "Drop ratio", "掉速比例"},
    {"MetricJitterFormula", "<span style='color:#888;font-size:9pt;'>(P75−P25)/avg · IQR</span>",
     "<span style='color:#888;font-size:9pt;'>(P75−P25)/avg · IQR</span>",
     "<span style='color:#888;font-size:9pt;'>(P75−P25)/avg · IQR</span>"},
    {"MetricCVFormula",
     "<span style='color:#888;font-size:9pt;'>trimmed stddev/avg · [P5,P95]</span>",
     "<span style='color:#888;font-size:9pt;'>trimmed stddev/avg · [P5,P95]</span>",
     "<span style='color:#888;font-size:9pt;'>trimmed stddev/avg · [P5,P95]</span>"},
    {"MetricDropFormula", "<span style='color:#888;font-size:9pt;'>count(s&lt;avg*0.6)/N</span>",
     "<span style='color:#888;font-size:9pt;'>count(s&lt;avg*0.6)/N</span>",
     "<span style='color:#888;font-size:9pt;'>count(s&lt;avg*0.6)/N</span>"},
    {"CheckSlcTrim", "剔除 SLC 缓存区段（所有指标只按稳态 TLC 区段计算）",
     "Trim SLC cache region (compute all metrics on steady-state TLC only)",
     "剔除 SLC 快取區段（所有指標只依穩態 TLC 區段計算）"},
    {"TipSlcTrim",
     "启用后，自动检测 SLC→TLC 的转折点，只用稳态区段重新计算平均/最大/最小/抖动/CV/"
     "掉速，避免高速缓存的速度峰值抬高抖动，导致卡被误判为“不达标”。真正的 pSLC "
     "卡或没有速度断崖的卡不会被剔除任何样本。",
     "When enabled, auto-detect the SLC→TLC transition point and recompute "
     "avg/max/min/jitter/CV/drop using the steady-state segment only. Prevents the high-speed "
     "cache peak from inflating jitter and causing the card to be misjudged as \"Fail\". True "
     "pSLC cards or cards with no cliff will not have any samples trimmed.",
     "啟用後，自動偵測 SLC→TLC 的轉折點，只用穩態區段重新計算平均/最大/最小/抖動/CV/"
     "掉速，避免高速快取的速度峰值拉高抖動，導致卡片被誤判為「未達標」。真正的 pSLC "
     "卡或沒有速度斷崖的卡不會被剔除任何樣本。"},
    {"SectionPerStreamMin", "单流最低速度（只适用于单文件 / 单流的行）",
     "Per-stream min speed (applies to per-file / per-stream rows only)",
     "單一串流最低速度（只適用於單一檔案 / 單一串流的列）"},
    {"LabelPerStreamWriteMin", "单流写入最低 ≥", "Per-stream write min ≥", "單一串流寫入最低 ≥"},
    {"LabelPerStreamReadMin", "单流读取最低 ≥", "Per-stream read min  ≥", "單一串流讀取最低 ≥"},
    {"LabelMinSpeedLt", "最低速度 &lt; 阈值 ×", "Min speed &lt; threshold ×",
     "最低速度 &lt; 門檻 ×"},
    {"LabelThenFail", "→ 不达标", "→ Fail", "→ 未達標"},
    {"SectionAggMin", "整卡最低速度（只适用于整卡合计行）",
     "Card-total min speed (applies to the card-total row only)",
     "整卡最低速度（只適用於整卡合計列）"},
    {"LabelHistoryDropWarn", "比这张卡上次测试下降超过此比例时警告：",
     "Warn when down since the card's last test by more than:",
     "比這張卡上次測試下降超過此比例時警告："},
    {"TipHistoryDropWarn",
     "卡的历史：整卡写入或读取的平均值或最低值比这张卡上次同样模式、块大小和流数的测试"
     "下降超过此比例时，给出警告（historyDropWarn）。",
     "Card history: a warning when the card total's write or read average or minimum fell by "
     "more than this since the card's last test with the same mode, block size and streams "
     "(historyDropWarn).",
     "卡的歷史：整卡寫入或讀取的平均值或最低值比這張卡上次同樣模式、區塊大小和串流數的測試"
     "下降超過此比例時，給出警告（historyDropWarn）。"},
    {"SectionStressTest", "压力测试", "Stress Test", "壓力測試"},
    {"CheckFullCap", "写满整卡（按 [测试大小] 依次写成多个文件，之后每轮删除最早的文件再重写）",
     "Fill entire card (split into files of [Test size] sequentially, then rewrite by deleting "
     "the first file each round)",
     "寫滿整卡（依 [測試大小] 依序寫成多個檔案，之後每輪刪除最早的檔案再重寫）"},
    {"TipFullCap",
     "启用后忽略单次测试的 [测试大小] 上限：每个文件都是所选的 [测试大小]，先依次写满整张卡，"
     "之后每轮删除最早的文件，并在末尾写入一个新文件。\n"
     "适合观察 SLC 缓存耗尽后的真实稳态速度，以及卡的长期写入耐久性。\n"
     "启用此模式会将 [并行流数] 强制设为 1。",
     "When enabled, the one-shot [Test size] cap is ignored: each file is the selected [Test "
     "size], the card is filled sequentially first, then each subsequent round deletes the "
     "earliest file and writes a new one at the end.\n"
     "Useful for observing the true steady state after SLC cache exhaustion and the card's "
     "long-term write endurance.\n"
     "Enabling this mode forces [Streams] to 1.",
     "啟用後忽略單次測試的 [測試大小] 上限：每個檔案都是所選的 [測試大小]，先依序寫滿整張卡，"
     "之後每輪刪除最早的檔案，並在末尾寫入一個新檔案。\n"
     "適合觀察 SLC 快取耗盡後的真實穩態速度，以及卡片的長期寫入耐用度。\n"
     "啟用此模式會將 [並行串流數] 強制設為 1。"},
    {"LabelIterations", "轮数：", "Iterations:", "輪數："},
    {"SuffixRuns", " 轮", " runs", " 輪"},
    {"TipIterations",
     "未启用 [写满整卡]：将整个测试重复 N 轮（曲线 / 样本持续累积）。\n"
     "启用 [写满整卡]：写满整卡之后滚动重写的轮数（每轮 = 删除最早的文件 + "
     "在末尾写入一个新文件）。\n"
     "默认 1。",
     "Without [Fill entire card]: repeat the whole test N rounds (curves / samples accumulate "
     "continuously).\n"
     "With [Fill entire card]: the number of rolling-rewrite rounds after filling the card (each "
     "round = delete earliest file + write a new one at the end).\n"
     "Default 1.",
     "未啟用 [寫滿整卡]：將整個測試重複 N 輪（曲線 / 樣本持續累積）。\n"
     "啟用 [寫滿整卡]：寫滿整卡之後滾動重寫的輪數（每輪 = 刪除最早的檔案 + "
     "在末尾寫入一個新檔案）。\n"
     "預設 1。"},
    {"BtnRestoreDefaults", "恢复默认值", "Restore defaults", "還原預設值"},
    {"BtnOk", "确定", "OK", "確定"},
    {"BtnCancel", "取消", "Cancel", "取消"},

    // External file selection
    {"DlgPickFiles", "选择测试文件（可多选）", "Select test files (multi-select)",
     "選取測試檔案（可複選）"},
    {"FilterAllFiles", "所有文件 (*.*)", "All files (*.*)", "所有檔案 (*.*)"},
    {"SummaryFilesSelected", "已选择：%1 个文件，共 %2 MB", "Selected: %1 files, %2 MB total",
     "已選取：%1 個檔案，共 %2 MB"},

    // Message boxes before and during the start of a test
    {"MsgNoRemovableTitle", "未检测到可移动驱动器", "No removable drive detected",
     "未偵測到卸除式磁碟機"},
    {"MsgNoRemovableBody", "请插入存储卡 / U 盘，点击“刷新”，然后开始测试。",
     "Please insert an memory card / USB drive, click \"Refresh\", then start the test.",
     "請插入記憶卡 / USB 隨身碟，按一下「重新整理」，然後開始測試。"},
    {"MsgBlockedTitle", "操作已被阻止", "Operation blocked", "操作已被阻擋"},
    {"MsgBlockedBody",
     "目标 %1 不是可移动驱动器 — 为保护本地数据，已拒绝测试。\n"
     "\n"
     "请插入存储卡 / U 盘，并点击“刷新”重新选择。",
     "Target %1 is not a removable drive — the test is refused to protect local data.\n"
     "\n"
     "Please insert an memory card / USB drive and click \"Refresh\" to re-select.",
     "目標 %1 不是卸除式磁碟機 — 為保護本機資料，已拒絕測試。\n"
     "\n"
     "請插入記憶卡 / USB 隨身碟，並按一下「重新整理」重新選取。"},
    {"MsgErrorTitle", "错误", "Error", "錯誤"},
    {"MsgSizeLtBlock", "测试大小小于块大小。", "Test size is smaller than block size.",
     "測試大小小於區塊大小。"},
    {"MsgTargetMissing", "目标 %1 不存在或不是文件夹。",
     "Target %1 does not exist or is not a folder.", "目標 %1 不存在或不是資料夾。"},
    {"LogCardTested", "被测卡：%1（%2，%3 GB），%4", "Card tested: %1 (%2, %3 GB), %4",
     "受測卡：%1（%2，%3 GB），%4"},
    {"DriveListSpace", "%1 GB，可用 %2 GB", "%1 GB, %2 GB free", "%1 GB，可用 %2 GB"},
    {"LabelCardMaker", "制造商 %1", "manufacturer %1", "製造商 %1"},
    {"LabelCardSerial", "序列号 %1", "serial %1", "序號 %1"},
    {"LabelCardMade", "生产于 %1", "made %1", "生產於 %1"},
    // The card history
    {"LogHistoryUnavailable", "无法打开历史数据库 %1（%2），本次测试不会被记录。",
     "The history database %1 cannot be opened (%2); this test is not recorded.",
     "無法開啟歷史資料庫 %1（%2），本次測試不會被記錄。"},
    {"LogHistoryNewer",
     "历史数据库 %1 由更新版本的程序写入（结构版本 %2，本程序支持 "
     "%3），以只读方式打开，不会记录任何内容。",
     "The history database %1 was written by a newer version of the program (schema %2, this "
     "one knows %3): it is opened read-only and nothing is recorded.",
     "歷史資料庫 %1 由較新版本的程式寫入（結構版本 %2，本程式支援 "
     "%3），以唯讀方式開啟，不會記錄任何內容。"},
    {"LogHistoryMovedAside", "历史数据库 %1 已损坏（%2）：已移至 %3，并新建了一个数据库。",
     "The history database %1 is damaged (%2): moved aside to %3, a new one started.",
     "歷史資料庫 %1 已損壞（%2）：已移至 %3，並新建了一個資料庫。"},
    {"LogHistoryNotRecorded", "警告：本次测试未记录到历史数据库 %1：%2",
     "Warning: this test was not recorded in the history database %1: %2",
     "警告：本次測試未記錄到歷史資料庫 %1：%2"},
    {"LogHistoryReadOnly", "警告：本次测试未记录：历史数据库 %1 为只读（由更新版本写入）。",
     "Warning: this test was not recorded: the history database %1 is read-only (written by a "
     "newer version).",
     "警告：本次測試未記錄：歷史資料庫 %1 為唯讀（由較新版本寫入）。"},
    {"LogHistoryFirst", "历史中没有这张卡可比较的早期测试。",
     "No earlier comparable test of this card in the history.",
     "歷史中沒有這張卡可比較的早期測試。"},
    {"LogHistoryRecorded", "已记录到卡的历史（%1）。", "Recorded in the card's history (%1).",
     "已記錄到卡的歷史（%1）。"},
    {"LogHistoryChange", "%1 自 %3 以来 %2", "%1 %2 since %3", "%1 自 %3 以來 %2"},
    {"LogHistoryDropWarn", "警告：%1 自 %3 以来下降了 %2，超过 %4：这张卡可能正在老化。",
     "Warning: %1 fell by %2 since %3, more than %4: the card may be wearing out.",
     "警告：%1 自 %3 以來下降了 %2，超過 %4：這張卡可能正在老化。"},
    {"LabelHistWriteAvg", "写入平均值", "write average", "寫入平均值"},
    {"LabelHistWriteMin", "写入最低值", "write minimum", "寫入最低值"},
    {"LabelHistReadAvg", "读取平均值", "read average", "讀取平均值"},
    {"LabelHistReadMin", "读取最低值", "read minimum", "讀取最低值"},
    {"LabelHistCardLine", "卡：%1（%2 次测试）", "Card: %1 (%2 tests)", "卡：%1（%2 次測試）"},
    {"LabelHistTestLine", "%1  %2，%3 流，块 %4  写入 %5 / %6 MB/s  读取 %7 / %8 MB/s  %9",
     "%1  %2, %3 streams, block %4  write %5 / %6 MB/s  read %7 / %8 MB/s  %9",
     "%1  %2，%3 串流，區塊 %4  寫入 %5 / %6 MB/s  讀取 %7 / %8 MB/s  %9"},
    {"LabelHistNone", "历史中还没有记录任何测试。", "No test recorded in the history yet.",
     "歷史中還沒有記錄任何測試。"},
    {"MsgSpaceUnknown", "无法读取 %1 的可用空间。", "Cannot read the free space of %1.",
     "無法讀取 %1 的可用空間。"},
    {"MsgCapLimitTitle", "卡容量限制", "Card capacity limit", "卡片容量限制"},
    {"MsgCapLimitBody",
     "≤32GB 的目标卡使用 FAT32，单个文件硬性上限为 4GB。\n"
     "请将测试大小设为不超过 3.5GB。",
     "Target card ≤32GB uses FAT32 with a 4GB per-file hard limit.\n"
     "Please keep the test size at 3.5GB or below.",
     "≤32GB 的目標卡使用 FAT32，單一檔案硬性上限為 4GB。\n"
     "請將測試大小設為不超過 3.5GB。"},
    {"MsgModeConflictTitle", "模式冲突", "Mode conflict", "模式衝突"},
    {"MsgModeConflictBody",
     "[写满整卡] 只支持 [随机数据] 模式。请切换测试模式，或在判定规则中关闭满容量模式。",
     "[Fill entire card] only supports [Random data] mode. Switch test mode, or disable "
     "full-capacity mode in the verdict rules.",
     "[寫滿整卡] 只支援 [隨機資料] 模式。請切換測試模式，或在判定規則中關閉滿容量模式。"},
    {"MsgPickFileFirst", "请先选择至少一个外部文件。",
     "Please select at least one external file first.", "請先選取至少一個外部檔案。"},
    {"MsgFilesMissing", "以下文件不存在：\n%1", "The following files do not exist:\n%1",
     "下列檔案不存在：\n%1"},
    {"MsgFilesTooSmall", "所选文件的总大小小于块大小，无法测试。",
     "Total size of selected files is smaller than the block size; cannot test.",
     "所選檔案的總大小小於區塊大小，無法測試。"},
    {"MsgCapLimitFilesBody",
     "≤32GB 的目标卡使用 FAT32，单个文件硬性上限为 4GB。\n"
     "请移除或拆分大于 3.5GB 的源文件后重试。",
     "Target card ≤32GB uses FAT32 with a 4GB per-file hard limit.\n"
     "Please remove or split source files larger than 3.5GB and retry.",
     "≤32GB 的目標卡使用 FAT32，單一檔案硬性上限為 4GB。\n"
     "請移除或分割大於 3.5GB 的來源檔案後重試。"},
    {"MsgFormatTitle", "测试前格式化", "Format before test", "測試前格式化"},
    {"MsgFormatBody",
     "是否先格式化 %1？\n"
     "\n"
     "这将清除目标驱动器上的全部数据！\n"
     "刚格式化的卡能得到更一致、可重复的结果。",
     "Format %1 first?\n"
     "\n"
     "This will erase ALL data on the target drive!\n"
     "A freshly formatted card yields more consistent, repeatable results.",
     "是否先格式化 %1？\n"
     "\n"
     "這將清除目標磁碟機上的所有資料！\n"
     "剛格式化的卡片能得到更一致、可重現的結果。"},
    {"MsgFormatting", "正在格式化 %1 …", "Formatting %1 …", "正在格式化 %1 …"},
    {"MsgFormatFailed", "格式化失败，继续测试…", "Format failed. Continuing with test…",
     "格式化失敗，繼續測試…"},
    {"MsgFormatCancelled", "格式化已取消，继续测试…", "Format cancelled. Continuing with test…",
     "格式化已取消，繼續測試…"},
    {"MsgFormatUnsupported", "无法格式化此驱动器，继续测试…",
     "This drive cannot be formatted. Continuing with test…", "無法格式化此磁碟機，繼續測試…"},
    {"MsgFormatDone", "格式化完成。", "Format complete.", "格式化完成。"},
    {"MsgFormatNoAccess", "格式化后无法访问该驱动器。", "Cannot access the drive after format.",
     "格式化後無法存取該磁碟機。"},
    {"MsgFormatLost",
     "格式化后 %1 "
     "不在驱动器列表中，测试未开始：未经您选择，不会写入其他驱动器。\n\n请插入存储卡，点击“刷新”后"
     "重新选择。",
     "%1 is no longer listed after the format, so the test was not started: no other drive is "
     "written to without your choice.\n\nPlease insert the card, click \"Refresh\" and select it "
     "again.",
     "格式化後 %1 "
     "不在磁碟機清單中，測試未開始：未經您選擇，不會寫入其他磁碟機。\n\n請插入記憶卡，點擊「重新整"
     "理」後重新選擇。"},
    {"MsgLowSpaceTitle", "空间不足", "Insufficient space", "空間不足"},
    {"MsgLowSpaceBody",
     "所选驱动器的可用空间不足。\n"
     "需要：%1 MB\n"
     "可用：%2 MB",
     "Selected drive has insufficient free space.\n"
     "Required: %1 MB\n"
     "Available: %2 MB",
     "所選磁碟機的可用空間不足。\n"
     "需要：%1 MB\n"
     "可用：%2 MB"},

    // Result row labels, verdicts and their tooltips
    {"LabelRollingWrite", "滚动写入", "Rolling write", "滾動寫入"},
    {"LabelRandomStream", "随机流 #%1", "Random stream #%1", "隨機串流 #%1"},
    {"LabelWrite", "写入", "Write", "寫入"},
    {"LabelRead", "读取", "Read", "讀取"},
    {"VerdictFail", "✗ 不达标", "✗ Fail", "✗ 未達標"},
    {"VerdictWarn", "⚠ 警告", "⚠ Warn", "⚠ 警告"},
    {"VerdictPass", "✓ 达标", "✓ Pass", "✓ 達標"},
    {"SummaryVerdict", "总判定：%1", "Verdict: %1", "總判定：%1"},
    {"SummaryVerdictReasons", "总判定：%1 — %2", "Verdict: %1 — %2", "總判定：%1 — %2"},
    {"VerdictReasonOfRow", "%1：%2", "%1: %2", "%1：%2"},
    {"VerdictReasonJitter", "%1抖动 %2% 高于 %3% → %4", "%1 jitter %2% above %3% → %4",
     "%1抖動 %2% 高於 %3% → %4"},
    {"VerdictReasonCv", "%1 CV %2% 高于 %3% → %4", "%1 CV %2% above %3% → %4",
     "%1 CV %2% 高於 %3% → %4"},
    {"VerdictReasonDrop", "%1掉速比例 %2% 高于 %3% → %4", "%1 drop ratio %2% above %3% → %4",
     "%1掉速比例 %2% 高於 %3% → %4"},
    {"VerdictReasonMin", "%1最低 %2 MB/s 低于 %3 → %4", "%1 minimum %2 MB/s below %3 → %4",
     "%1最低 %2 MB/s 低於 %3 → %4"},
    {"VerdictWordFail", "不达标", "Fail", "未達標"},
    {"VerdictWordWarn", "警告", "Warn", "警告"},
    {"VerdictTooltip",
     "写入：抖动 %1% · CV %2% · 掉速 %3/%4 (%5%) · 最低 %6 MB/s\n"
     "读取：抖动 %7% · CV %8% · 掉速 %9/%10 (%11%) · 最低 %12 MB/s\n"
     "\n"
     "规则（任一子项触发即作用于该行）：\n"
     "  不达标：抖动 > %13% | CV > %14% | 掉速 > %15% | 最低 < 阈值×%16\n"
     "  警告：抖动 > %17% | CV > %18% | 掉速 > %19% | 最低 < 阈值",
     "Write: jitter %1% · CV %2% · drops %3/%4 (%5%) · min %6 MB/s\n"
     "Read : jitter %7% · CV %8% · drops %9/%10 (%11%) · min %12 MB/s\n"
     "\n"
     "Rules (any subitem trips the row):\n"
     "  Fail: jitter > %13% | CV > %14% | drops > %15% | min < threshold×%16\n"
     "  Warn: jitter > %17% | CV > %18% | drops > %19% | min < threshold",
     "寫入：抖動 %1% · CV %2% · 掉速 %3/%4 (%5%) · 最低 %6 MB/s\n"
     "讀取：抖動 %7% · CV %8% · 掉速 %9/%10 (%11%) · 最低 %12 MB/s\n"
     "\n"
     "規則（任一子項觸發即作用於該列）：\n"
     "  未達標：抖動 > %13% | CV > %14% | 掉速 > %15% | 最低 < 門檻×%16\n"
     "  警告：抖動 > %17% | CV > %18% | 掉速 > %19% | 最低 < 門檻"},
    {"VerdictDropSamples", "%1 / %2 个样本低于平均值×60%", "%1 / %2 samples below avg×60%",
     "%1 / %2 個樣本低於平均值×60%"},

    // What the figures mean for a dashcam: speed class, recording profile, hours
    {"SummarySpeedClass", "本次测试达到的速度等级：%1（持续写入 %2 MB/s）",
     "Speed class in this test: meets %1 (sustained write %2 MB/s)",
     "本次測試達到的速度等級：%1（持續寫入 %2 MB/s）"},
    {"SummarySpeedClassNone", "本次测试未达到任何速度等级（持续写入 %1 MB/s）",
     "Speed class in this test: none met (sustained write %1 MB/s)",
     "本次測試未達到任何速度等級（持續寫入 %1 MB/s）"},
    {"TipSpeedClass",
     "这是本次测试测得的结果，不是认证：SD "
     "协会的等级测试所用的条件，无法通过文件系统层面的测试重现。",
     "What this test measured, not a certification: the SD Association's class tests use "
     "conditions that a test through the file system cannot reproduce.",
     "這是本次測試測得的結果，不是認證：SD "
     "協會的等級測試所用的條件，無法透過檔案系統層面的測試重現。"},
    {"SummaryDashcam", "行车记录仪 %1：%2", "Dashcam %1: %2", "行車記錄器 %1：%2"},
    {"SummaryRecordingHours", "可循环录制 %1 小时", "%1 h of loop recording", "可循環錄影 %1 小時"},
    {"TipPresetHours", "%1：可录 %2 小时", "%1: %2 h", "%1：可錄 %2 小時"},
    {"VerdictDashcamFit", "适用", "Fit", "適用"},
    {"VerdictDashcamMarginal", "勉强可用", "Marginal", "勉強可用"},
    {"VerdictDashcamNotFit", "不适用", "Not fit", "不適用"},
    {"VerdictDashcamNotJudged", "未按配置判定", "not judged", "未依設定檔判定"},
    {"VerdictReasonChannel", "通道 %1（%2 Mbit/s）最低 %3 MB/s 低于 %4 → %5",
     "Channel %1 (%2 Mbit/s) minimum %3 MB/s below %4 → %5",
     "通道 %1（%2 Mbit/s）最低 %3 MB/s 低於 %4 → %5"},
    {"VerdictReasonStreams",
     "测试运行了 %1 个流，而录制配置有 %2 个通道：请用 %2 个流测试后再判定。",
     "The test ran %1 stream(s), the profile has %2 channel(s): test with %2 streams to judge it.",
     "測試執行了 %1 個串流，而錄影設定檔有 %2 個通道：請用 %2 個串流測試後再判定。"},
    {"LabelDashcamProfile", "%1（%2 Mbit/s）", "%1 (%2 Mbit/s)", "%1（%2 Mbit/s）"},
    {"LabelOwnBitrates", "自定义（%1 Mbit/s）", "Own (%1 Mbit/s)", "自訂（%1 Mbit/s）"},
    {"LabelPreset1080p", "1080p 单镜头", "1080p", "1080p 單鏡頭"},
    {"LabelPreset1440p", "1440p 单镜头", "1440p", "1440p 單鏡頭"},
    {"LabelPreset4k", "4K 单镜头", "4K", "4K 單鏡頭"},
    {"LabelPreset4kRear", "4K 前 + 1080p 后", "4K front + 1080p rear", "4K 前 + 1080p 後"},
    {"LabelPresetTaxi", "出租车三路", "Taxi, three channels", "計程車三路"},
    {"LabelDashcam", "行车记录仪：", "Dashcam:", "行車記錄器："},
    {"LabelDashcamMargin", "行车记录仪余量：", "Dashcam margin:", "行車記錄器餘量："},
    {"LabelNoDashcam", "不按录制配置判定", "No recording profile", "不依錄影設定檔判定"},
    {"LabelOwnBitratesItem", "自定义码率…", "Own bitrates…", "自訂位元率…"},
    {"HintDashcamBitrates", "每路 Mbit/s，例如 50,12", "Mbit/s per channel, e.g. 50,12",
     "每路 Mbit/s，例如 50,12"},
    {"TipDashcamProfile",
     "录制配置：每个摄像头通道一个流；流的持续写入达到通道码率 × 余量（dashcamMargin）为适用，"
     "仅达到码率为勉强可用。选择后会设定流数。",
     "The recording profile: one stream per camera channel. A channel is fit when its stream "
     "sustains its bitrate × the margin (dashcamMargin), marginal when it sustains the bitrate "
     "alone. Choosing one sets the stream count.",
     "錄影設定檔：每個攝影機通道一個串流；串流的持續寫入達到通道位元率 × "
     "餘量（dashcamMargin）為適用，"
     "僅達到位元率為勉強可用。選擇後會設定串流數。"},

    // Log lines
    {"LogErrorPrefix", "错误：%1", "Error: %1", "錯誤：%1"},
    {"LogTestErrorTitle", "测试错误", "Test error", "測試錯誤"},
    {"LogStopping", "正在停止测试...", "Stopping test...", "正在停止測試..."},
    {"LogFormatAbandoned", "已停止等待 %1 的格式化，测试未开始。",
     "Stopped waiting for the format of %1; the test was not started.",
     "已停止等待 %1 的格式化，測試未開始。"},
    {"LogRoundEnter", "—— 开始第 %1/%2 轮 ——", "—— Starting round %1/%2 ——",
     "—— 開始第 %1/%2 輪 ——"},
    {"LogSkipSmall", "跳过文件（小于块大小）：%1", "Skipping file (smaller than block size): %1",
     "略過檔案（小於區塊大小）：%1"},
    {"LogNoValidFiles", "没有可测试的有效文件。", "No valid files to test.",
     "沒有可測試的有效檔案。"},
    {"LogTestStart", "========== 速度测试开始 ==========",
     "========== Speed test started ==========", "========== 速度測試開始 =========="},
    {"LogModeRandomN", "模式：随机数据（%1 个并行流）", "Mode: Random data (%1 parallel streams)",
     "模式：隨機資料（%1 個並行串流）"},
    {"LogModeRandom", "模式：随机数据", "Mode: Random data", "模式：隨機資料"},
    {"LogModeExternalN", "模式：外部文件（%1 个文件并行）",
     "Mode: External files (%1 files in parallel)", "模式：外部檔案（%1 個檔案並行）"},
    {"LogModeExternal", "模式：外部文件", "Mode: External file", "模式：外部檔案"},
    {"LogSizeBlock", "总计：%1 MB   块大小：%2 KB", "Total: %1 MB   Block: %2 KB",
     "總計：%1 MB   區塊大小：%2 KB"},
    {"LogUserCancelled", "用户已取消测试。", "Test cancelled by user.", "使用者已取消測試。"},
    {"LogReadDisabled", "读取测试已禁用，跳过。", "Read test disabled, skipping.",
     "讀取測試已停用，略過。"},
    {"LogTestDone", "========== 测试完成 ==========", "========== Test complete ==========",
     "========== 測試完成 =========="},
    {"LogWriteRandom", "—— 写入测试（随机数据） ——", "—— Write test (random data) ——",
     "—— 寫入測試（隨機資料） ——"},
    {"LogWriteParallelFiles", "—— 写入测试（%1 个文件并行，错开 %2 秒） ——",
     "—— Write test (%1 files in parallel, stagger %2s) ——",
     "—— 寫入測試（%1 個檔案並行，錯開 %2 秒） ——"},
    {"LogWriteFileCopy", "—— 写入测试（文件复制） ——", "—— Write test (file copy) ——",
     "—— 寫入測試（檔案複製） ——"},
    {"LogReadParallelFiles", "—— 读取测试（%1 个文件并行，错开 %2 秒） ——",
     "—— Read test (%1 files in parallel, stagger %2s) ——",
     "—— 讀取測試（%1 個檔案並行，錯開 %2 秒） ——"},
    {"LogRead", "—— 读取测试 ——", "—— Read test ——", "—— 讀取測試 ——"},
    {"LogBeginWrite", "  正在写入 %1", "  Writing %1", "  正在寫入 %1"},
    {"LogBeginRead", "  正在读取 %1", "  Reading %1", "  正在讀取 %1"},
    {"LogWriteDone", "写入完成。平均速度：%1 MB/s", "Write complete. Avg speed: %1 MB/s",
     "寫入完成。平均速度：%1 MB/s"},
    {"LogReadDone", "读取完成。平均速度：%1 MB/s", "Read complete. Avg speed: %1 MB/s",
     "讀取完成。平均速度：%1 MB/s"},
    {"LogFileTooSmall", "文件大小小于块大小。", "File size is smaller than the block size.",
     "檔案大小小於區塊大小。"},
    {"LogCardFull", "卡的可用空间不足，连一个文件都无法写入。",
     "Card free space is insufficient to write even one file.",
     "卡片可用空間不足，連一個檔案都無法寫入。"},
    {"LogRollingStart", "========== 滚动填充测试开始 ==========",
     "========== Rolling-fill test started ==========", "========== 滾動填充測試開始 =========="},
    {"LogRollingParams",
     "单个文件：%1 MB   初始填充：%2 个文件   滚动重写：%3 轮   总计：%4 次写入",
     "Per file: %1 MB   Initial fill: %2 files   Rolling rewrite: %3 rounds   Total: %4 writes",
     "單一檔案：%1 MB   初始填充：%2 個檔案   滾動重寫：%3 輪   總計：%4 次寫入"},
    {"LogCantDelete", "警告：无法删除 %1", "Warning: cannot delete %1", "警告：無法刪除 %1"},
    {"LogFillTail", "最后一个文件：%1 MB，写满剩余的可用空间",
     "Last file: %1 MB, over the rest of the free space",
     "最後一個檔案：%1 MB，寫滿剩餘的可用空間"},
    {"LogWriteFailed", "写入失败", "Write failed", "寫入失敗"},
    {"LogRollingDone", "========== 滚动填充测试完成 ==========",
     "========== Rolling-fill test complete ==========", "========== 滾動填充測試完成 =========="},

    // Stream I/O errors; the worker passes these Simplified Chinese texts as source texts
    {"ErrOpenSource", "无法打开源文件: %1", "Cannot open source file: %1", "無法開啟來源檔案: %1"},
    {"ErrCreateTarget", "无法创建目标文件: %1", "Cannot create target file: %1",
     "無法建立目標檔案: %1"},
    {"ErrOpenForRead", "无法读取文件: %1", "Cannot open file for reading: %1", "無法讀取檔案: %1"},
    {"ErrReadSource", "读取源文件失败 (%1)", "Reading source file failed (%1)",
     "讀取來源檔案失敗 (%1)"},
    {"ErrWrite", "写入失败 (%1)", "Write failed (%1)", "寫入失敗 (%1)"},
    {"ErrRead", "读取失败 (%1)", "Read failed (%1)", "讀取失敗 (%1)"},
};
const std::size_t baseStringTableSize = std::size(baseStringTable);

const StringEntry stringTableAdditions[] = {
    // The engine's note when a file system refuses unbuffered I/O
    {"LogCacheFallback",
     "注意：此文件系统不支持无缓冲 I/O；本次测试改用缓冲 I/O，并在回读前清除了页面缓存。",
     "Note: this file system refuses unbuffered I/O; the test used buffered I/O and dropped the "
     "page cache before reading back.",
     "注意：此檔案系統不支援無緩衝 I/O；本次測試改用緩衝 I/O，並在回讀前清除了分頁快取。"},
    // The card went away under a running test
    {"ErrCardGone", "存储卡已被移除或其挂载已改变", "The card was removed or its mount changed",
     "記憶卡已被移除或其掛載已變更"},

    // Why a stream I/O error happened, after the error's own text (%1)
    {"ErrReasonWriteProtected", "%1：存储卡处于写保护状态", "%1: the card is write-protected",
     "%1：記憶卡處於防寫狀態"},
    {"ErrReasonNoSpace", "%1：存储卡已没有剩余空间", "%1: no space left on the card",
     "%1：記憶卡已沒有剩餘空間"},
    {"ErrReasonDeviceGone", "%1：设备未就绪或已被移除",
     "%1: the device is not ready or was removed", "%1：裝置未就緒或已被移除"},
    {"ErrReasonAccessDenied", "%1：拒绝访问", "%1: access denied", "%1：拒絕存取"},
    {"ErrReasonFileShort", "%1：文件在预期大小之前就结束了",
     "%1: the file ends before its expected size", "%1：檔案在預期大小之前就結束了"},
    {"ErrReasonWriteShort", "%1：存储卡只接收了数据块的一部分",
     "%1: the card took only part of the block", "%1：記憶卡只接收了資料區塊的一部分"},
    {"ErrReasonSystem", "%1：系统错误：%2", "%1: %2", "%1：系統錯誤：%2"},
    // Files an interrupted test left on the card
    {"MsgLeftoversTitle", "被中断测试的残留文件", "Files of an interrupted test",
     "被中斷測試的殘留檔案"},
    {"MsgLeftoversBody",
     "%1 上有被中断的测试留下的 %2 个文件（%3 MB）。\n"
     "\n"
     "现在删除它们吗？",
     "%1 holds %2 files (%3 MB) that an interrupted test left behind.\n"
     "\n"
     "Remove them now?",
     "%1 上有被中斷的測試留下的 %2 個檔案（%3 MB）。\n"
     "\n"
     "現在刪除它們嗎？"},
    {"LogLeftoversRemoved", "已删除被中断的测试留在卡上的 %1 个文件（%2 MB）。",
     "Removed %1 files (%2 MB) left on the card by an interrupted test.",
     "已刪除被中斷的測試留在卡上的 %1 個檔案（%2 MB）。"},

    // The confirmation shown before a card is formatted
    {"DlgFormatConfirmTitle", "确认格式化", "Confirm format", "確認格式化"},
    {"BtnFormatConfirm", "格式化并清除所有数据", "Format and erase everything",
     "格式化並清除所有資料"},
    {"LabelFormatDevice", "设备：", "Device:", "裝置："},
    {"LabelFormatSize", "容量：", "Size:", "容量："},
    {"LabelFormatFileSystem", "将使用的文件系统：",
     "File system it will get:", "將使用的檔案系統："},
    {"LabelFormatVolume", "卷标：", "Volume label:", "磁碟區標籤："},

    // Verifying the data read back
    {"CheckVerifyData", "校验数据（为每个块加印记，回读时逐块比对）",
     "Verify data (stamp every block and compare it when read back)",
     "校驗資料（為每個區塊加印記，回讀時逐塊比對）"},
    {"TipVerifyData",
     "发现丢失或损坏数据的卡，以及写入会回绕覆盖的扩容卡。文件总会被回读。\n"
     "与“写满整卡”一起使用时，会检查全部可用空间。",
     "Catches cards that lose or corrupt data, and counterfeit cards whose writes wrap round. "
     "The files are always read back.\nWith \"Fill entire card\" the whole free space is "
     "checked.",
     "發現遺失或損壞資料的卡，以及寫入會回繞覆蓋的擴容卡。檔案一定會被回讀。\n"
     "與「寫滿整卡」一起使用時，會檢查全部可用空間。"},
    {"MsgVerifyFiles", "数据校验只适用于随机数据：外部文件的副本不带印记。",
     "Verify data works with random data only: copies of external files carry no stamps.",
     "資料校驗只適用於隨機資料：外部檔案的副本不帶印記。"},
    {"LogVerifyOn", "数据校验已开启：每个 4 KiB 扇区都带印记，回读时逐字节比对。",
     "Data check on: every 4 KiB sector carries a stamp and every byte is compared when read back.",
     "資料校驗已開啟：每個 4 KiB 磁區都帶印記，回讀時逐位元組比對。"},
    {"LogVerifyOk", "数据校验通过：全部 %1 MB 按原样读回。",
     "Data check passed: all %1 MB came back as written.", "資料校驗通過：全部 %1 MB 按原樣讀回。"},
    {"LogVerifyMismatch",
     "数据校验失败：%1 个 4 KiB 扇区（在 %2 个块中，%3 字节）读回有误——%4 个回绕，%5 个陈旧，"
     "%6 个损坏，%7 个丢失；首个位于 %8，偏移 %9（%10）。",
     "Data check FAILED: %1 sectors of 4 KiB (in %2 blocks, %3 bytes) came back wrong — %4 "
     "wrapped round, %5 stale, %6 corrupted, %7 lost; the first at %8, offset %9 (%10).",
     "資料校驗失敗：%1 個 4 KiB 磁區（在 %2 個區塊中，%3 位元組）讀回有誤——%4 個回繞，%5 個陳舊，"
     "%6 個損壞，%7 個遺失；首個位於 %8，偏移 %9（%10）。"},
    {"LogVerifyCapacity", "保住数据的容量：%1 MB / 已校验 %2 MB。",
     "Capacity that held its data: %1 MB of %2 MB checked.",
     "保住資料的容量：%1 MB / 已校驗 %2 MB。"},
    {"TipDataError",
     "数据：%1 个 4 KiB 扇区（在 %2 个块中，%3 字节）读回有误（%4 个回绕，%5 个陈旧，%6 个损坏，"
     "%7 个丢失）；首个位于 %8，偏移 %9：%10。"
     "任何数据错误都判定为不合格。",
     "Data: %1 sectors of 4 KiB (in %2 blocks, %3 bytes) came back wrong (%4 wrap-round, %5 "
     "stale, %6 corrupted, %7 lost); the first at %8, offset %9: %10. Any data error fails the "
     "card.",
     "資料：%1 個 4 KiB 磁區（在 %2 個區塊中，%3 位元組）讀回有誤（%4 個回繞，%5 個陳舊，%6 "
     "個損壞，"
     "%7 個遺失）；首個位於 %8，偏移 %9：%10。"
     "任何資料錯誤都判定為不合格。"},
    {"LabelDataWrapRound", "存有别处的数据（回绕）", "holds another place's data (wrap-round)",
     "存有別處的資料（回繞）"},
    {"LabelDataStale", "存有已删除文件或早先测试的旧数据（陈旧）",
     "holds a deleted file's or an earlier run's data (stale)",
     "存有已刪除檔案或早先測試的舊資料（陳舊）"},
    {"LabelDataCorrupt", "字节与写入的不同（损坏）", "other bytes than written (corruption)",
     "位元組與寫入的不同（損壞）"},
    {"LabelDataLost", "数据未保存（丢失）", "data never stored (loss)", "資料未儲存（遺失）"},
    // The command line's own texts: its help, its refusals of the arguments, its summary.
    {"HintCliAbout", "测量存储卡能持续多快地写入和读取。",
     "Measures how fast a memory card sustains writing and reading.",
     "測量記憶卡能持續多快地寫入和讀取。"},
    {"HdrUsage", "用法：%1 --target DIR [选项]", "Usage: %1 --target DIR [options]",
     "用法：%1 --target DIR [選項]"},
    {"HdrOptions", "选项：", "Options:", "選項："},
    {"HintOptHelp", "显示此帮助。", "Show this help.", "顯示此說明。"},
    {"HintOptVersion", "显示版本。", "Show the version.", "顯示版本。"},
    {"HintOptTarget",
     "存储卡的根目录（挂载点），测试文件建在那里。除非给出 "
     "--force，否则必须是可移动驱动器的根目录。",
     "The card's root folder (its mount point); the test files are made there. It must be the "
     "root of a removable drive unless --force is given.",
     "記憶卡的根目錄（掛載點），測試檔案建在那裡。除非給出 "
     "--force，否則必須是卸除式磁碟機的根目錄。"},
    {"HintOptTargetDrive",
     "存储卡所在的驱动器，例如 E:\\，测试文件建在它的根目录。除非给出 "
     "--force，否则必须是可移动驱动器。",
     "The card's drive, for example E:\\; the test files are made in its root. It must be a "
     "removable drive unless --force is given.",
     "記憶卡所在的磁碟機，例如 E:\\，測試檔案建在它的根目錄。除非給出 "
     "--force，否則必須是卸除式磁碟機。"},
    {"HintOptSize", "每个流的测试大小，例如 512M 或 2G（K、M、G、T 为 1024 的幂）。默认 1G。",
     "Test size per stream, e.g. 512M or 2G (K, M, G, T are powers of 1024). Default 1G.",
     "每個串流的測試大小，例如 512M 或 2G（K、M、G、T 為 1024 的冪）。預設 1G。"},
    {"HintOptStreams", "并行随机数据流数，1 到 16。默认 1。",
     "Parallel random-data streams, 1 to 16. Default 1.", "並行隨機資料串流數，1 到 16。預設 1。"},
    {"HintOptBlock", "每次请求的字节数：64K、128K、256K、512K、1M、4M 或 8M。默认 1M。",
     "Bytes per request: 64K, 128K, 256K, 512K, 1M, 4M or 8M. Default 1M.",
     "每次請求的位元組數：64K、128K、256K、512K、1M、4M 或 8M。預設 1M。"},
    {"HintOptRead", "写入后再把文件读回来。", "Read the files back after writing them.",
     "寫入後再把檔案讀回來。"},
    {"HintOptVerify",
     "校验数据：为每个块加上标记，全部读回并比对（与 --fill "
     "一起时覆盖全部可用空间，以识破虚标容量）。",
     "Verify the data: stamp every block, read it all back and compare it (with --fill: the "
     "whole free space, to catch a counterfeit capacity).",
     "校驗資料：為每個區塊加上標記，全部讀回並比對（與 --fill "
     "一起時涵蓋全部可用空間，以識破虛標容量）。"},
    {"HintOptFile", "用此文件的副本代替随机数据进行测试（可重复）。",
     "Test with a copy of this file instead of random data (repeatable).",
     "用此檔案的副本代替隨機資料進行測試（可重複）。"},
    {"HintOptFill", "压力模式：用测试大小的文件写满存储卡，然后循环重写。",
     "Stress mode: fill the card with files of the test size, then rewrite it.",
     "壓力模式：用測試大小的檔案寫滿記憶卡，然後循環重寫。"},
    {"HintOptRounds", "写满后的重写轮数，1 到 99。默认 1。",
     "Rewrite rounds after the fill, 1 to 99. Default 1.", "寫滿後的重寫輪數，1 到 99。預設 1。"},
    {"HintOptIterations", "将整个测试重复 N 次，1 到 99。默认 1。",
     "Repeat the whole test N times, 1 to 99. Default 1.",
     "將整個測試重複 N 次，1 到 99。預設 1。"},
    {"HintOptLang", "文字的语言：zh_CN、en 或 zh_TW。默认：窗口中选择的语言，否则为英文。",
     "Language of the texts: zh_CN, en or zh_TW. Default: the one chosen in the window, else "
     "English.",
     "文字的語言：zh_CN、en 或 zh_TW。預設：視窗中選擇的語言，否則為英文。"},
    {"HintOptRules",
     "仅为本次运行覆盖一条判定规则，例如 aggWriteWarn=15（可重复；不改变已保存的规则）。",
     "Override one verdict rule for this run, e.g. aggWriteWarn=15 (repeatable; the stored "
     "rules are not changed).",
     "僅為本次執行覆寫一條判定規則，例如 aggWriteWarn=15（可重複；不改變已儲存的規則）。"},
    {"HintOptDashcam",
     "按行车记录仪录制配置判定：预设（1080p、1440p、4k、4k+1080p、taxi）或每路码率（Mbit/s），"
     "例如 50,12；每路一个流（设定 --streams）。用 list 列出预设。",
     "Judge the card for a dashcam recording profile: a preset (1080p, 1440p, 4k, 4k+1080p, "
     "taxi) or channel bitrates in Mbit/s, e.g. 50,12; one stream per channel (sets --streams). "
     "list shows the presets.",
     "依行車記錄器錄影設定檔判定：預設（1080p、1440p、4k、4k+1080p、taxi）或每路位元率（Mbit/s），"
     "例如 50,12；每路一個串流（設定 --streams）。用 list 列出預設。"},
    {"HintOptJson", "将机器可读的报告写入 FILE，用 - 则写到标准输出。",
     "Write a machine-readable report to FILE, or to standard output with -.",
     "將機器可讀的報告寫入 FILE，用 - 則寫到標準輸出。"},
    {"HintOptForce", "即使 DIR 不是可移动驱动器的根目录也测试它（日志会注明）。",
     "Test DIR even when it is not the root of a removable drive (the log says so).",
     "即使 DIR 不是卸除式磁碟機的根目錄也測試它（日誌會註明）。"},
    {"HintOptList",
     "列出可用于测试的可移动驱动器（根目录、卷标、文件系统、容量、可用空间和卡的身份），然后结束；"
     "也可配合 --json。",
     "List the removable drives a test may use (root, label, file system, size, free space and "
     "the card's identity), then end; with --json as well.",
     "列出可用於測試的卸除式磁碟機（根目錄、標籤、檔案系統、容量、可用空間和卡的身分），然後結束；"
     "也可配合 --json。"},
    {"HintOptHistory",
     "列出卡的历史中记录的测试（--target 所指的卡，或全部卡），然后结束；也可配合 --json。",
     "List the tests recorded in the card history (of the card at --target, or of every card), "
     "then end; with --json as well.",
     "列出卡的歷史中記錄的測試（--target 所指的卡，或全部卡），然後結束；也可配合 --json。"},
    {"HintOptNoHistory", "不把本次测试记录到卡的历史，也不与早期测试比较。",
     "Do not record this test in the card history, nor compare it with earlier ones.",
     "不把本次測試記錄到卡的歷史，也不與早期測試比較。"},
    {"ErrHistoryAlone", "--history 只能与 --target、--json 和 --lang 一起使用。",
     "--history takes only --target, --json and --lang.",
     "--history 只能與 --target、--json 和 --lang 一起使用。"},
    // The manual page: its header and the sections beside the options of the help.
    {"LabelManUserCommands", "用户命令", "User Commands", "使用者命令"},
    {"HdrManName", "名称", "NAME", "名稱"},
    {"HdrManSynopsis", "概要", "SYNOPSIS", "概要"},
    {"HdrManDescription", "描述", "DESCRIPTION", "描述"},
    {"HdrManOptions", "选项", "OPTIONS", "選項"},
    {"HdrManExitStatus", "退出状态", "EXIT STATUS", "結束狀態"},
    {"HdrManFiles", "相关文件", "FILES", "相關檔案"},
    {"HdrManSeeAlso", "另请参阅", "SEE ALSO", "另請參閱"},
    {"HintManDescription",
     "lumoracard-cli 以不经缓存、直写的 I/O，用一到十六个并行流（或复制你自己的文件）向可移动驱动器"
     "的根目录写入测试文件，每秒约采样五次速度，可选地以同样方式读回这些文件，然后删除它们。之后它"
     "打印写入和读取的平均速度，以及一张结果表：按 LumoraCard 窗口的判定规则，为整张卡和每个流给出"
     "达标、警告或不达标的判定。\n只写入可移动驱动器的根目录；只写入或删除测试自己的文件。32 GB "
     "及以下的卡（FAT32）不接受大于 3.5 GB 的测试文件，且测试必须能放进可用空间。",
     "lumoracard-cli writes test files to the root of a removable drive with unbuffered, "
     "written-through I/O in one to sixteen parallel streams (or copies files of your own), "
     "samples the speed about five times a second, optionally reads the files back the same "
     "way, and deletes them. It then prints the write and read averages and a results table "
     "with a Pass, Warn or Fail verdict for the card and for every stream, judged by the verdict "
     "rules of the LumoraCard window.\nOnly the root of a removable drive is written to; only "
     "the test's own files are ever written or deleted. A card of 32 GB or less (FAT32) takes "
     "no test file above 3.5 GB, and the test must fit in the free space.",
     "lumoracard-cli 以不經快取、直寫的 I/O，用一到十六個並行串流（或複製您自己的檔案）向卸除式"
     "磁碟機的根目錄寫入測試檔案，每秒約取樣五次速度，可選擇以同樣方式讀回這些檔案，然後刪除它們。"
     "之後它列印寫入和讀取的平均速度，以及一張結果表：依 LumoraCard 視窗的判定規則，為整張卡和每個"
     "串流給出達標、警告或未達標的判定。\n只寫入卸除式磁碟機的根目錄；只寫入或刪除測試自己的檔案。"
     "32 GB 及以下的卡（FAT32）不接受大於 3.5 GB 的測試檔案，且測試必須能放進可用空間。"},
    {"HintManExitStatus",
     "0 最差的判定为达标，1 警告，2 不达标（--dashcam 配置按一行计：勉强可用 1，不适用 2）；"
     "3 测试无法运行、失败，或报告无法写入；130 测试被停止（Ctrl-C 或 SIGTERM），其文件已删除。",
     "0 the worst verdict is Pass, 1 Warn, 2 Fail (a --dashcam profile counts like a row: "
     "marginal 1, not fit 2); 3 the test could not run, failed, or its report could not be "
     "written; 130 it was stopped (Ctrl-C or SIGTERM), and its files were removed.",
     "0 最差的判定為達標，1 警告，2 未達標（--dashcam 設定檔按一列計：勉強可用 1，不適用 2）；"
     "3 測試無法執行、失敗，或報告無法寫入；130 測試被停止（Ctrl-C 或 SIGTERM），其檔案已刪除。"},
    {"HintManFiles", "保存判定规则和在窗口中选择的语言。",
     "holds the verdict rules and the language chosen in the window.",
     "儲存判定規則和在視窗中選擇的語言。"},
    {"HintOptClean", "删除被中断的测试留在 DIR 上的文件（即其日志文件列出的文件），然后结束。",
     "Remove the files an interrupted test left on DIR (those its journal names), then end.",
     "刪除被中斷的測試留在 DIR 上的檔案（即其日誌檔列出的檔案），然後結束。"},
    {"ErrTryHelp", "用 --help 查看选项。", "Try --help for the options.", "用 --help 查看選項。"},
    {"ErrUnknownOption", "未知的选项：%1", "Unknown option: %1", "未知的選項：%1"},
    {"ErrMissingValue", "%1 后缺少值。", "Missing value after %1.", "%1 後缺少值。"},
    {"ErrUnexpectedArg", "多余的参数：%1", "Unexpected argument: %1", "多餘的引數：%1"},
    {"ErrListAlone", "--list 只能与 --json 和 --lang 一起使用。",
     "--list takes only --json and --lang.", "--list 只能與 --json 和 --lang 一起使用。"},
    {"ErrCleanAlone", "--clean 只能与 --target、--force 和 --lang 一起使用。",
     "--clean takes only --target, --force and --lang.",
     "--clean 只能與 --target、--force 和 --lang 一起使用。"},
    {"ErrNoTarget", "未指定目标：请用 --target DIR 指定存储卡的根目录。",
     "No target given: name the card's root folder with --target DIR.",
     "未指定目標：請用 --target DIR 指定記憶卡的根目錄。"},
    {"ErrBadSize", "无效的大小“%1”：请使用带 K、M、G 或 T 的整数，例如 512M。",
     "Invalid size \"%1\": use a whole number with K, M, G or T, e.g. 512M.",
     "無效的大小「%1」：請使用帶 K、M、G 或 T 的整數，例如 512M。"},
    {"ErrBadStreams", "无效的流数“%1”：请使用 1 到 %2。",
     "Invalid stream count \"%1\": use 1 to %2.", "無效的串流數「%1」：請使用 1 到 %2。"},
    {"ErrBadBlock", "无效的块大小“%1”：请使用 %2 之一。",
     "Invalid block size \"%1\": use one of %2.", "無效的區塊大小「%1」：請使用 %2 之一。"},
    {"ErrBadRounds", "无效的轮数“%1”：请使用 1 到 %2。", "Invalid round count \"%1\": use 1 to %2.",
     "無效的輪數「%1」：請使用 1 到 %2。"},
    {"ErrBadIterations", "无效的重复次数“%1”：请使用 1 到 %2。",
     "Invalid iteration count \"%1\": use 1 to %2.", "無效的重複次數「%1」：請使用 1 到 %2。"},
    {"ErrBadLanguage", "无效的语言“%1”：请使用 zh_CN、en 或 zh_TW。",
     "Invalid language \"%1\": use zh_CN, en or zh_TW.",
     "無效的語言「%1」：請使用 zh_CN、en 或 zh_TW。"},
    {"ErrJsonName", "--json 需要一个文件名，或用 - 表示标准输出。",
     "--json needs a file name, or - for standard output.",
     "--json 需要一個檔名，或用 - 表示標準輸出。"},
    {"ErrRoundsWithoutFill", "--rounds 只适用于 --fill。", "--rounds only applies to --fill.",
     "--rounds 只適用於 --fill。"},
    {"ErrFillWithFiles", "--fill 写入随机数据，不能与 --file 同时使用。",
     "--fill writes random data; it cannot be combined with --file.",
     "--fill 寫入隨機資料，不能與 --file 同時使用。"},
    {"ErrFilesSetSize", "使用 --file 时由文件决定大小和流数；请去掉 --size 和 --streams。",
     "With --file the files set the size and the stream count; drop --size and --streams.",
     "使用 --file 時由檔案決定大小和串流數；請去掉 --size 和 --streams。"},
    {"ErrFillOneStream", "--fill 只写一个流；请去掉 --streams。",
     "--fill writes one stream; drop --streams.", "--fill 只寫一個串流；請去掉 --streams。"},
    {"ErrFillNoRead", "--fill 没有读取阶段；请去掉 --read。",
     "--fill has no read pass; drop --read.", "--fill 沒有讀取階段；請去掉 --read。"},
    {"ErrRuleForm", "无效的规则“%1”：请写成 KEY=VALUE，例如 aggWriteWarn=15。",
     "Invalid rule \"%1\": write KEY=VALUE, e.g. aggWriteWarn=15.",
     "無效的規則「%1」：請寫成 KEY=VALUE，例如 aggWriteWarn=15。"},
    {"ErrRuleIsTest", "规则 %1 描述的是测试本身：请改用 %2。",
     "The rule %1 describes the test: use %2 instead.", "規則 %1 描述的是測試本身：請改用 %2。"},
    {"ErrRuleUnknown", "未知的规则“%1”：请使用 %2 之一。", "Unknown rule \"%1\": use one of %2.",
     "未知的規則「%1」：請使用 %2 之一。"},
    {"ErrBadDashcam",
     "未知的行车记录仪配置“%1”：请使用 %2 之一，或每路码率（Mbit/s），例如 50,12。",
     "Unknown dashcam profile \"%1\": use one of %2, or channel bitrates in Mbit/s, e.g. 50,12.",
     "未知的行車記錄器設定檔「%1」：請使用 %2 之一，或每路位元率（Mbit/s），例如 50,12。"},
    {"ErrBadDashcamRates",
     "无效的码率“%1”：请给出 1 到 %2 个通道的码率，每个大于 0 且不超过 %3 Mbit/s，例如 50,12。",
     "Invalid bitrates \"%1\": give 1 to %2 channel bitrates, each above 0 and up to %3 Mbit/s, "
     "e.g. 50,12.",
     "無效的位元率「%1」：請給出 1 到 %2 個通道的位元率，每個大於 0 且不超過 %3 Mbit/s，例如 "
     "50,12。"},
    {"ErrDashcamStreams", "--dashcam %1 有 %2 个通道，但测试有 %3 个流：每个通道一个流。",
     "--dashcam %1 has %2 channel(s) but the test has %3 stream(s): one stream per channel.",
     "--dashcam %1 有 %2 個通道，但測試有 %3 個串流：每個通道一個串流。"},
    {"ErrRuleSwitch", "规则 %2 的值“%1”无效：请使用 true 或 false。",
     "Invalid value \"%1\" for the rule %2: use true or false.",
     "規則 %2 的值「%1」無效：請使用 true 或 false。"},
    {"ErrRuleNumber", "规则 %2 的值“%1”无效：请使用不小于 0 的数字。",
     "Invalid value \"%1\" for the rule %2: use a number, 0 or more.",
     "規則 %2 的值「%1」無效：請使用不小於 0 的數字。"},
    {"ErrNotRemovableRoot",
     "目标 %1 不是可移动驱动器的根目录 — 为保护本地数据，已拒绝测试。\n"
     "请指定存储卡的根目录（挂载点），或加上 --force 仍然测试此文件夹。",
     "Target %1 is not the root of a removable drive — the test is refused to protect local "
     "data.\nName the card's root folder (its mount point), or add --force to test this folder "
     "anyway.",
     "目標 %1 不是卸除式磁碟機的根目錄 — 為保護本機資料，已拒絕測試。\n"
     "請指定記憶卡的根目錄（掛載點），或加上 --force 仍然測試此資料夾。"},
    {"ErrNotRemovableDrive",
     "目标 %1 不是可移动驱动器的根目录 — 为保护本地数据，已拒绝测试。\n"
     "请指定存储卡所在的驱动器（例如 E:\\），或加上 --force 仍然测试此文件夹。",
     "Target %1 is not the root of a removable drive — the test is refused to protect local "
     "data.\nName the card's drive (for example E:\\), or add --force to test this folder "
     "anyway.",
     "目標 %1 不是卸除式磁碟機的根目錄 — 為保護本機資料，已拒絕測試。\n"
     "請指定記憶卡所在的磁碟機（例如 E:\\），或加上 --force 仍然測試此資料夾。"},
    {"LogForceSkipped", "--force：已跳过可移动驱动器检查；%1 将被当作存储卡测试。",
     "--force: the removable-drive check was skipped; %1 is tested as if it were a card.",
     "--force：已略過卸除式磁碟機檢查；%1 將被當作記憶卡測試。"},
    {"ErrReportIsFolder", "报告 %1 是一个文件夹。", "The report %1 is a folder.",
     "報告 %1 是一個資料夾。"},
    {"ErrReportFolderMissing", "报告 %1 所在的文件夹不存在。",
     "The folder of the report %1 does not exist.", "報告 %1 所在的資料夾不存在。"},
    {"ErrReportNotWritten", "无法将报告写入 %1：%2", "Cannot write the report to %1: %2",
     "無法將報告寫入 %1：%2"},
    {"SummaryRoundWriteRead", "第 %1 轮：写入 %2 MB/s，读取 %3 MB/s",
     "Round %1: write %2 MB/s, read %3 MB/s", "第 %1 輪：寫入 %2 MB/s，讀取 %3 MB/s"},
    {"SummaryRoundWrite", "第 %1 轮：写入 %2 MB/s", "Round %1: write %2 MB/s",
     "第 %1 輪：寫入 %2 MB/s"},
    {"SummaryWriteAvg", "写入平均：%1 MB/s", "Write average: %1 MB/s", "寫入平均：%1 MB/s"},
    {"SummaryReadAvg", "读取平均：%1 MB/s", "Read average: %1 MB/s", "讀取平均：%1 MB/s"},
    {"SummaryWriteAvgRounds", "%1 轮写入平均：%2 MB/s", "Write average over %1 rounds: %2 MB/s",
     "%1 輪寫入平均：%2 MB/s"},
    {"SummaryReadAvgRounds", "%1 轮读取平均：%2 MB/s", "Read average over %1 rounds: %2 MB/s",
     "%1 輪讀取平均：%2 MB/s"},
};
const std::size_t stringTableAdditionsSize = std::size(stringTableAdditions);
