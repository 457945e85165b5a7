<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>BatchReport</name>
    <message>
        <source>finished</source>
        <translation>已完成</translation>
    </message>
    <message>
        <source>aborted</source>
        <translation>已中止</translation>
    </message>
    <message>
        <source>running</source>
        <translation>进行中</translation>
    </message>
    <message>
        <source>Report number</source>
        <translation>报告编号</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>工位</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>操作员</translation>
    </message>
    <message>
        <source>Kind of check</source>
        <translation>核查类型</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Reference instrument</source>
        <translation>参考仪器</translation>
    </message>
    <message>
        <source>%1, certificate %2, calibration due %3</source>
        <translation>%1，证书 %2，校准到期日 %3</translation>
    </message>
    <message>
        <source>Reference read</source>
        <translation>参考仪器读取</translation>
    </message>
    <message>
        <source>%1 at address %2: temperature %3, %4 %5</source>
        <translation>%1，地址 %2：温度 %3，%4 %5</translation>
    </message>
    <message>
        <source>dew point</source>
        <translation>露点</translation>
    </message>
    <message>
        <source>humidity</source>
        <translation>湿度</translation>
    </message>
    <message>
        <source>Tolerance</source>
        <translation>允差</translation>
    </message>
    <message>
        <source>Stability window</source>
        <translation>稳定窗口</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>Point</source>
        <translation>点</translation>
    </message>
    <message>
        <source>Temperature (℃)</source>
        <translation>温度(℃)</translation>
    </message>
    <message>
        <source>Humidity (%RH)</source>
        <translation>湿度(%RH)</translation>
    </message>
    <message>
        <source>Soak (s)</source>
        <translation>保温(秒)</translation>
    </message>
    <message>
        <source>Max wait (s)</source>
        <translation>最长等待(秒)</translation>
    </message>
    <message>
        <source>Band</source>
        <translation>区间</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Overall</source>
        <translation>总体</translation>
    </message>
    <message>
        <source>not stable</source>
        <translation>不稳定</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>湿度</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>温度</translation>
    </message>
    <message>
        <source>Reference (%1)</source>
        <translation>参考值(%1)</translation>
    </message>
    <message>
        <source>Error and U (%1)</source>
        <translation>误差和 U(%1)</translation>
    </message>
    <message>
        <source>The run is not stored, so its report has no number yet.</source>
        <translation>该批次运行尚未保存，因此其报告还没有编号。</translation>
    </message>
    <message>
        <source>Batch report</source>
        <translation>批量核查报告</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>温湿度点序列</translation>
    </message>
    <message>
        <source>Transmitters and points</source>
        <translation>变送器与各点</translation>
    </message>
    <message>
        <source>Batch report %1, page %2 of %3</source>
        <translation>批量核查报告 %1，第 %2 页，共 %3 页</translation>
    </message>
    <message>
        <source>Cannot write the batch report to %1: %2</source>
        <translation>无法将批量核查报告写入 %1：%2</translation>
    </message>
</context>
<context>
    <name>BatchWindow</name>
    <message>
        <source>Batch run</source>
        <translation>批量运行</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>温湿度点序列</translation>
    </message>
    <message>
        <source>Temperature (℃)</source>
        <translation>温度(℃)</translation>
    </message>
    <message>
        <source>Humidity (%RH)</source>
        <translation>湿度(%RH)</translation>
    </message>
    <message>
        <source>Soak (s)</source>
        <translation>保持(秒)</translation>
    </message>
    <message>
        <source>Max wait (s)</source>
        <translation>最长等待(秒)</translation>
    </message>
    <message>
        <source>Band ± ℃</source>
        <translation>带宽 ± ℃</translation>
    </message>
    <message>
        <source>Band ± %RH</source>
        <translation>带宽 ± %RH</translation>
    </message>
    <message>
        <source>Open...</source>
        <translation>打开...</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>另存为...</translation>
    </message>
    <message>
        <source>Add point</source>
        <translation>添加点</translation>
    </message>
    <message>
        <source>Remove point</source>
        <translation>删除点</translation>
    </message>
    <message>
        <source>Transmitters</source>
        <translation>变送器</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口:</translation>
    </message>
    <message>
        <source>Rate (bit/s):</source>
        <translation>波特率(bit/s):</translation>
    </message>
    <message>
        <source>Addresses:</source>
        <translation>地址:</translation>
    </message>
    <message>
        <source>Scan</source>
        <translation>扫描</translation>
    </message>
    <message>
        <source>Check:</source>
        <translation>核查:</translation>
    </message>
    <message>
        <source>As found</source>
        <translation>调整前</translation>
    </message>
    <message>
        <source>As left</source>
        <translation>调整后</translation>
    </message>
    <message>
        <source>Reference instrument</source>
        <translation>参考仪器</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>地址:</translation>
    </message>
    <message>
        <source>Temperature field:</source>
        <translation>温度字段:</translation>
    </message>
    <message>
        <source>Humidity field:</source>
        <translation>湿度字段:</translation>
    </message>
    <message>
        <source>Dew-point field:</source>
        <translation>露点字段:</translation>
    </message>
    <message>
        <source>Chamber controller</source>
        <translation>试验箱控制器</translation>
    </message>
    <message>
        <source>none: it runs its own program</source>
        <translation>无:试验箱运行其自身程序</translation>
    </message>
    <message>
        <source>Temperature set point:</source>
        <translation>温度设定值:</translation>
    </message>
    <message>
        <source>Humidity set point:</source>
        <translation>湿度设定值:</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>运行</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>中止</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Error ℃</source>
        <translation>误差 ℃</translation>
    </message>
    <message>
        <source>Error %RH</source>
        <translation>误差 %RH</translation>
    </message>
    <message>
        <source>Gate</source>
        <translation>稳定判据</translation>
    </message>
    <message>
        <source>Not saved to the station: %1</source>
        <translation>未保存到工位设置:%1</translation>
    </message>
    <message>
        <source>A new profile: add its points, or open a file.</source>
        <translation>新的点序列:请添加点,或打开文件。</translation>
    </message>
    <message>
        <source>From %1</source>
        <translation>来自 %1</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>无法读取 %1:%2</translation>
    </message>
    <message>
        <source>%1 is not a profile: %2</source>
        <translation>%1 不是点序列文件:%2</translation>
    </message>
    <message>
        <source>The points are not a profile (line 1 being the header, line 2 the first point): %1</source>
        <translation>这些点不构成点序列(第 1 行为表头,第 2 行为第一个点):%1</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>无法写入 %1:%2</translation>
    </message>
    <message>
        <source>Open profile</source>
        <translation>打开点序列</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV 文件 (*.csv);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Save profile</source>
        <translation>保存点序列</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>The main window is linked to %1: press Link there to close it first.</source>
        <translation>主窗口已连接 %1:请先在主窗口按“连接”将其关闭。</translation>
    </message>
    <message>
        <source>No port was given.</source>
        <translation>未指定端口。</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>无法打开 %1:%2</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>The scan ended: %1</source>
        <translation>扫描已结束:%1</translation>
    </message>
    <message>
        <source>The run&apos;s profile is not one: %1</source>
        <translation>该运行的点序列无效:%1</translation>
    </message>
    <message>
        <source>The profile of the run begun %1</source>
        <translation>始于 %1 的运行的点序列</translation>
    </message>
    <message>
        <source>The addresses are not a list such as 1-8 or 1,3,17.</source>
        <translation>地址不是形如 1-8 或 1,3,17 的列表。</translation>
    </message>
    <message>
        <source>The records did not take a point: %1. The run goes on and stores it with the next sweep.</source>
        <translation>记录未能保存一个点:%1。运行继续,并在下一轮巡检时再次保存。</translation>
    </message>
    <message>
        <source>Opening the lines...</source>
        <translation>正在打开线路...</translation>
    </message>
    <message numerus="yes">
        <source>%n transmitter(s) enrolled.</source>
        <translation>
            <numerusform>已登记 %n 台变送器。</numerusform>
        </translation>
    </message>
    <message>
        <source>A batch run is under way. Abort it, leave it to be resumed later, or keep it running?</source>
        <translation>批量运行正在进行。中止运行、留待以后继续,还是保持运行?</translation>
    </message>
    <message>
        <source>Abort the run</source>
        <translation>中止运行</translation>
    </message>
    <message>
        <source>Leave it to resume later</source>
        <translation>留待以后继续</translation>
    </message>
    <message>
        <source>Keep it running</source>
        <translation>保持运行</translation>
    </message>
    <message>
        <source>the profile shown</source>
        <translation>所显示的温湿度点序列</translation>
    </message>
</context>
<context>
    <name>Certificate</name>
    <message>
        <source>As left</source>
        <translation>调整后</translation>
    </message>
    <message>
        <source>As found</source>
        <translation>调整前</translation>
    </message>
    <message>
        <source>Abandoned</source>
        <translation>已放弃</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>未完成</translation>
    </message>
    <message>
        <source>Calibration check certificate</source>
        <translation>校准核查证书</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Temperature output range</source>
        <translation>温度输出范围</translation>
    </message>
    <message>
        <source>Kind of check</source>
        <translation>核查类型</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>工位</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>操作员</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>结束时间</translation>
    </message>
    <message>
        <source>Reference instrument</source>
        <translation>参考仪器</translation>
    </message>
    <message>
        <source>Reference certificate number</source>
        <translation>参考仪器证书编号</translation>
    </message>
    <message>
        <source>Reference calibration due</source>
        <translation>参考仪器校准到期日</translation>
    </message>
    <message>
        <source>Stability window</source>
        <translation>稳定窗口</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>Stability limits</source>
        <translation>稳定限值</translation>
    </message>
    <message>
        <source>|drift| ≤ %1 %2/min and %3 %4/min</source>
        <translation>|漂移| ≤ %1 %2/分钟 和 %3 %4/分钟</translation>
    </message>
    <message>
        <source>std dev ≤ %1 %2 and %3 %4</source>
        <translation>标准差 ≤ %1 %2 和 %3 %4</translation>
    </message>
    <message>
        <source>Tolerance</source>
        <translation>允差</translation>
    </message>
    <message>
        <source>Points</source>
        <translation>核查点</translation>
    </message>
    <message>
        <source>Quantity</source>
        <translation>量</translation>
    </message>
    <message>
        <source>Reference</source>
        <translation>参考值</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均值</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>误差</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>Point %1 was taken before the readings were stable: %2</source>
        <translation>点 %1 在读数稳定之前采集：%2</translation>
    </message>
    <message>
        <source>Overall result: %1</source>
        <translation>总体结果：%1</translation>
    </message>
    <message>
        <source>Cannot write the certificate to %1: %2</source>
        <translation>无法将证书写入 %1：%2</translation>
    </message>
    <message>
        <source>A check that is not stored has no certificate number yet: store it first.</source>
        <translation>尚未保存的核查还没有证书编号：请先保存它。</translation>
    </message>
    <message>
        <source>Certificate number</source>
        <translation>证书编号</translation>
    </message>
    <message>
        <source>Point %1, taken %2</source>
        <translation>第 %1 点，采集于 %2</translation>
    </message>
    <message>
        <source>Certificate %1, page %2 of %3</source>
        <translation>证书 %1，第 %2 页，共 %3 页</translation>
    </message>
    <message>
        <source>Not stable</source>
        <translation>未稳定</translation>
    </message>
    <message>
        <source>No answer</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>Temperature (℃)</source>
        <translation>温度 (℃)</translation>
    </message>
    <message>
        <source>Humidity (%RH)</source>
        <translation>湿度 (%RH)</translation>
    </message>
    <message>
        <source>Profile point %1, %2</source>
        <translation>程序第 %1 点，%2</translation>
    </message>
    <message>
        <source>by the machine: %1 at %2 bit/s, address %3; temperature %4, %5 %6</source>
        <translation>由本机读取：%1，%2 bit/s，地址 %3；温度 %4，%5 %6</translation>
    </message>
    <message>
        <source>dew point</source>
        <translation>露点</translation>
    </message>
    <message>
        <source>humidity</source>
        <translation>湿度</translation>
    </message>
    <message>
        <source>typed by the operator</source>
        <translation>由操作员输入</translation>
    </message>
    <message>
        <source>Reference read</source>
        <translation>参考值读取方式</translation>
    </message>
    <message>
        <source>Reference uncertainty</source>
        <translation>参考仪器不确定度</translation>
    </message>
    <message>
        <source>U = %1 %2 and %3 %4 (k = %5), from its certificate</source>
        <translation>U = %1 %2 和 %3 %4（k = %5），取自其证书</translation>
    </message>
    <message>
        <source>Chamber non-uniformity</source>
        <translation>试验箱不均匀度</translation>
    </message>
    <message>
        <source>±%1 %2 and ±%3 %4</source>
        <translation>±%1 %2 和 ±%3 %4</translation>
    </message>
    <message>
        <source>U (k = %1)</source>
        <translation>U (k = %1)</translation>
    </message>
    <message>
        <source>TUR</source>
        <translation>TUR</translation>
    </message>
    <message>
        <source>Reference certificate</source>
        <translation>参考仪器证书</translation>
    </message>
    <message>
        <source>Reference variation</source>
        <translation>参考仪器波动</translation>
    </message>
    <message>
        <source>Transmitter variation</source>
        <translation>变送器波动</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>分辨力</translation>
    </message>
    <message>
        <source>Combined standard uncertainty</source>
        <translation>合成标准不确定度</translation>
    </message>
    <message>
        <source>Coverage factor k</source>
        <translation>包含因子 k</translation>
    </message>
    <message>
        <source>Expanded uncertainty U</source>
        <translation>扩展不确定度 U</translation>
    </message>
    <message>
        <source>Reference std dev</source>
        <translation>参考仪器标准差</translation>
    </message>
    <message>
        <source>Reference readings</source>
        <translation>参考仪器读数个数</translation>
    </message>
    <message>
        <source>Transmitter drift /min</source>
        <translation>变送器漂移/分钟</translation>
    </message>
    <message>
        <source>Transmitter readings</source>
        <translation>变送器读数个数</translation>
    </message>
    <message>
        <source>Standard uncertainty</source>
        <translation>标准不确定度</translation>
    </message>
    <message>
        <source>Annex: uncertainty budgets</source>
        <translation>附录：不确定度分量表</translation>
    </message>
    <message>
        <source>The reference&apos;s humidity was worked out by the Magnus formula from its air temperature %1 ℃ and dew point %2 ℃.</source>
        <translation>参考仪器的湿度由其空气温度 %1 ℃ 和露点 %2 ℃ 按 Magnus 公式算出。</translation>
    </message>
    <message>
        <source>Standard uncertainties per quantity, combined in quadrature; U is k times the combined standard uncertainty, rounded up to thousandths.</source>
        <translation>各量的标准不确定度按方和根合成；U 为 k 乘以合成标准不确定度，向上取至千分位。</translation>
    </message>
</context>
<context>
    <name>CheckWindow</name>
    <message>
        <source>Calibration check</source>
        <translation>校准核查</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>工位</translation>
    </message>
    <message>
        <source>Operator:</source>
        <translation>操作员:</translation>
    </message>
    <message>
        <source>Station:</source>
        <translation>工位:</translation>
    </message>
    <message>
        <source>Reference instrument:</source>
        <translation>参考仪器:</translation>
    </message>
    <message>
        <source>Its certificate number:</source>
        <translation>其证书编号:</translation>
    </message>
    <message>
        <source>Its calibration due:</source>
        <translation>其校准到期日:</translation>
    </message>
    <message>
        <source>Records database:</source>
        <translation>记录数据库:</translation>
    </message>
    <message>
        <source>Conditions</source>
        <translation>条件</translation>
    </message>
    <message>
        <source>Temperature (℃)</source>
        <translation>温度(℃)</translation>
    </message>
    <message>
        <source>Humidity (%RH)</source>
        <translation>湿度(%RH)</translation>
    </message>
    <message>
        <source>Tolerance ±:</source>
        <translation>允差 ±:</translation>
    </message>
    <message>
        <source>|Drift| per minute at most:</source>
        <translation>每分钟|漂移|不超过:</translation>
    </message>
    <message>
        <source>Std dev at most:</source>
        <translation>标准差不超过:</translation>
    </message>
    <message>
        <source>Stability window (s):</source>
        <translation>稳定窗口(秒):</translation>
    </message>
    <message>
        <source>Point</source>
        <translation>核查点</translation>
    </message>
    <message>
        <source>No transmitter is linked.</source>
        <translation>未连接变送器。</translation>
    </message>
    <message>
        <source>Check:</source>
        <translation>核查:</translation>
    </message>
    <message>
        <source>As found</source>
        <translation>调整前</translation>
    </message>
    <message>
        <source>As left</source>
        <translation>调整后</translation>
    </message>
    <message>
        <source>Reference:</source>
        <translation>参考值:</translation>
    </message>
    <message>
        <source>℃</source>
        <translation>℃</translation>
    </message>
    <message>
        <source>%RH</source>
        <translation>%RH</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均值</translation>
    </message>
    <message>
        <source>Std dev</source>
        <translation>标准差</translation>
    </message>
    <message>
        <source>Drift /min</source>
        <translation>漂移/分钟</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>误差</translation>
    </message>
    <message>
        <source>Samples</source>
        <translation>样本数</translation>
    </message>
    <message>
        <source>Gate</source>
        <translation>稳定判据</translation>
    </message>
    <message>
        <source>Reason to take it before the gate is met:</source>
        <translation>未满足稳定判据即采集的原因:</translation>
    </message>
    <message>
        <source>Take point</source>
        <translation>采集核查点</translation>
    </message>
    <message>
        <source>Points of the check</source>
        <translation>本次核查的点</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Reference ℃</source>
        <translation>参考值 ℃</translation>
    </message>
    <message>
        <source>Mean ℃</source>
        <translation>平均值 ℃</translation>
    </message>
    <message>
        <source>Error ℃</source>
        <translation>误差 ℃</translation>
    </message>
    <message>
        <source>Reference %RH</source>
        <translation>参考值 %RH</translation>
    </message>
    <message>
        <source>Mean %RH</source>
        <translation>平均值 %RH</translation>
    </message>
    <message>
        <source>Error %RH</source>
        <translation>误差 %RH</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Store again</source>
        <translation>重新保存</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>Abandon</source>
        <translation>放弃</translation>
    </message>
    <message>
        <source>History...</source>
        <translation>历史...</translation>
    </message>
    <message>
        <source>Certificate...</source>
        <translation>证书...</translation>
    </message>
    <message>
        <source>Transmitter %1 at address %2, temperature output range %3 to %4 ℃</source>
        <translation>变送器 %1，地址 %2，温度输出范围 %3 至 %4 ℃</translation>
    </message>
    <message>
        <source>Stable over the stability window: the point can be taken.</source>
        <translation>读数在稳定窗口内稳定：可以采集核查点。</translation>
    </message>
    <message>
        <source>Not stable over the stability window yet: a point taken now needs a reason and is marked as taken early.</source>
        <translation>读数在稳定窗口内尚未稳定：此时采集核查点须填写原因，并标记为提前采集。</translation>
    </message>
    <message>
        <source>No check yet: the first point taken begins one.</source>
        <translation>尚无核查：采集第一个点即开始一次核查。</translation>
    </message>
    <message>
        <source>%1 check of %2, begun %3: %4.</source>
        <translation>%2 的%1核查，开始于 %3：%4。</translation>
    </message>
    <message>
        <source>open</source>
        <translation>进行中</translation>
    </message>
    <message>
        <source>Not everything is stored yet: press Store again once the database can be reached.</source>
        <translation>尚有内容未保存：数据库可访问后请按“重新保存”。</translation>
    </message>
    <message>
        <source>not stored</source>
        <translation>未保存</translation>
    </message>
    <message>
        <source>taken early: %1</source>
        <translation>提前采集：%1</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>%1

Nothing is lost: what could not be stored stays on screen, marked &quot;not stored&quot;. Press Store again once the database can be reached.</source>
        <translation>%1

没有丢失任何内容：未能保存的内容留在屏幕上，标记为“未保存”。数据库可访问后请按“重新保存”。</translation>
    </message>
    <message>
        <source>Save certificate</source>
        <translation>保存证书</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation>PDF 文件 (*.pdf)</translation>
    </message>
    <message>
        <source>Certificate</source>
        <translation>证书</translation>
    </message>
    <message>
        <source>not set</source>
        <translation>未设置</translation>
    </message>
    <message>
        <source>Reference values</source>
        <translation>参考值</translation>
    </message>
    <message>
        <source>Typed</source>
        <translation>手动输入</translation>
    </message>
    <message>
        <source>Read from the instrument</source>
        <translation>从仪器读取</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口:</translation>
    </message>
    <message>
        <source>/dev/ttyUSB1 or tcp://HOST:PORT</source>
        <translation>/dev/ttyUSB1 或 tcp://主机:端口</translation>
    </message>
    <message>
        <source>Rate (bit/s):</source>
        <translation>波特率 (bit/s):</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>地址:</translation>
    </message>
    <message>
        <source>Temperature field:</source>
        <translation>温度字段:</translation>
    </message>
    <message>
        <source>Humidity field:</source>
        <translation>湿度字段:</translation>
    </message>
    <message>
        <source>Dew-point field:</source>
        <translation>露点字段:</translation>
    </message>
    <message>
        <source>Reference&apos;s U ±:</source>
        <translation>参考仪器 U ±:</translation>
    </message>
    <message>
        <source>Its coverage factor k:</source>
        <translation>其包含因子 k:</translation>
    </message>
    <message>
        <source>Chamber uniformity ±:</source>
        <translation>箱体均匀度 ±:</translation>
    </message>
    <message>
        <source>Decision rule:</source>
        <translation>判定规则:</translation>
    </message>
    <message>
        <source>Simple acceptance</source>
        <translation>简单接受</translation>
    </message>
    <message>
        <source>Guarded acceptance</source>
        <translation>保护带接受</translation>
    </message>
    <message>
        <source>Non-binary statement</source>
        <translation>非二元声明</translation>
    </message>
    <message>
        <source>Reference</source>
        <translation>参考值</translation>
    </message>
    <message>
        <source>U (k = 2)</source>
        <translation>U (k = 2)</translation>
    </message>
    <message>
        <source>U ℃</source>
        <translation>U ℃</translation>
    </message>
    <message>
        <source>U %RH</source>
        <translation>U %RH</translation>
    </message>
    <message>
        <source>Ref. std dev</source>
        <translation>参考标准差</translation>
    </message>
    <message>
        <source>Ref. gate</source>
        <translation>参考稳定判据</translation>
    </message>
</context>
<context>
    <name>CsvRecorder</name>
    <message>
        <source>The file was removed, moved or replaced</source>
        <translation>文件已被删除、移走或替换</translation>
    </message>
</context>
<context>
    <name>DatabaseUrl</name>
    <message>
        <source>it does not begin with postgresql:// or postgres://</source>
        <translation>它不以 postgresql:// 或 postgres:// 开头</translation>
    </message>
    <message>
        <source>an &apos;@&apos;, &apos;/&apos;, &apos;?&apos; or &apos;%&apos; in a user name or password is written %40, %2F, %3F or %25</source>
        <translation>用户名或密码中的 &apos;@&apos;、&apos;/&apos;、&apos;?&apos; 或 &apos;%&apos; 应写作 %40、%2F、%3F 或 %25</translation>
    </message>
    <message>
        <source>it has more than one &apos;@&apos; before the host: %1</source>
        <translation>主机之前有多个 &apos;@&apos;：%1</translation>
    </message>
    <message>
        <source>an IPv6 address is written in brackets, as [::1] or [::1]:5432</source>
        <translation>IPv6 地址应写在方括号中，如 [::1] 或 [::1]:5432</translation>
    </message>
    <message>
        <source>a &apos;%&apos; is not followed by two hexadecimal digits: %1</source>
        <translation>&apos;%&apos; 后面不是两位十六进制数字：%1</translation>
    </message>
    <message>
        <source>the port is not a number from 1 to %1</source>
        <translation>端口不是 1 到 %1 之间的数字</translation>
    </message>
    <message>
        <source>the query is not a list of name=value joined by &apos;&amp;&apos;, percent-encoded</source>
        <translation>查询部分不是以 &apos;&amp;&apos; 连接、经百分号编码的 name=value 列表</translation>
    </message>
    <message>
        <source>the value of %1 holds a &apos;;&apos;, which Qt&apos;s PostgreSQL driver cannot pass on</source>
        <translation>%1 的值含有 &apos;;&apos;，Qt 的 PostgreSQL 驱动无法传递</translation>
    </message>
</context>
<context>
    <name>DecisionRule</name>
    <message>
        <source>Decision rule: non-binary statement with a guard band w = U. Pass: |error| ≤ tolerance − U; conditional pass: tolerance − U &lt; |error| ≤ tolerance; conditional fail: tolerance &lt; |error| ≤ tolerance + U; fail: |error| &gt; tolerance + U. A pass carries a probability of a false accept below 2.5 %, a fail a probability of a false reject below 2.5 % (normal distribution, k = 2). A conditional result lies within U of the limit, where the transmitter may be on either side of it: it states that risk openly, up to 50 % at the limit.</source>
        <translation>判定规则：带保护带 w = U 的非二元声明。合格：|误差| ≤ 允差 − U；有条件合格：允差 − U &lt; |误差| ≤ 允差；有条件不合格：允差 &lt; |误差| ≤ 允差 + U；不合格：|误差| &gt; 允差 + U。合格结果误判合格（误接受）的概率低于 2.5 %，不合格结果误判不合格（误拒绝）的概率低于 2.5 %（正态分布，k = 2）。有条件的结果距限值不足 U，变送器可能位于限值的任一侧：该结果如实声明这一风险，在限值处可达 50 %。</translation>
    </message>
    <message>
        <source>Decision rule: simple acceptance, without a guard band. A quantity passes when |error| ≤ tolerance and fails otherwise. U is reported but takes no part in the decision: at the tolerance limit the probability of a false accept (a transmitter out of tolerance passed) is up to 50 %, and it falls as |error| moves inside the limit.</source>
        <translation>判定规则：简单接受，不设保护带。当 |误差| ≤ 允差时该量合格，否则不合格。U 仅予报告，不参与判定：在允差限处，误判合格（将超差的变送器判为合格）的概率可达 50 %，并随 |误差| 向限值以内减小而降低。</translation>
    </message>
    <message>
        <source>%1 %2 %3</source>
        <comment>the rule, what is compared, how results combine</comment>
        <translation>%1%2%3</translation>
    </message>
    <message>
        <source>A check is as good as the worst result of any quantity at any of its points.</source>
        <translation>核查的结果取其所有点、所有量中最差的结果。</translation>
    </message>
    <message>
        <source>Decision rule: guarded acceptance with a guard band w = U. A quantity passes when |error| + U ≤ tolerance and fails otherwise. For a normally distributed measurement result and k = 2, the probability of a false accept is below 2.5 % for any result accepted; the price is a higher risk of a false reject for a transmitter within U of the limit.</source>
        <translation>判定规则：带保护带的接受，保护带 w = U。当 |误差| + U ≤ 允差时该量合格，否则不合格。对于服从正态分布的测量结果，在 k = 2 时，任何判为合格的结果误判合格（误接受）的概率均低于 2.5 %；代价是误差距限值不足 U 的变送器被误判不合格（误拒绝）的风险增大。</translation>
    </message>
    <message>
        <source>The error is the transmitter&apos;s mean over the stability window minus the reference. Errors, tolerances and the expanded uncertainty U of each point (coverage factor k = 2, a coverage probability of about 95 %) are taken in thousandths, as printed.</source>
        <translation>误差为变送器在稳定窗口内的平均值减去参考值。误差、允差及各点的扩展不确定度 U（包含因子 k = 2，包含概率约 95 %）均按打印值取至千分位。</translation>
    </message>
</context>
<context>
    <name>HistoryDialog</name>
    <message>
        <source>Check history</source>
        <translation>核查历史</translation>
    </message>
    <message>
        <source>Serial number:</source>
        <translation>序列号:</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>显示</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>工位</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>操作员</translation>
    </message>
    <message>
        <source>Points</source>
        <translation>点数</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>Certificate...</source>
        <translation>证书...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message numerus="yes">
        <source>%n check(s) of %1 in %2</source>
        <translation>
            <numerusform>%2 中 %1 的 %n 次核查</numerusform>
        </translation>
    </message>
    <message>
        <source>Finish check</source>
        <translation>完成核查</translation>
    </message>
    <message>
        <source>Abandon check</source>
        <translation>放弃核查</translation>
    </message>
    <message>
        <source>The Check window has a check that is open or not stored yet: finish, abandon or store it there first.</source>
        <translation>核查窗口中有进行中或尚未保存的核查：请先在那里完成、放弃或保存它。</translation>
    </message>
</context>
<context>
    <name>QuantityGate</name>
    <message>
        <source>filling</source>
        <translation>采集中</translation>
    </message>
    <message>
        <source>drifting</source>
        <translation>漂移</translation>
    </message>
    <message>
        <source>noisy</source>
        <translation>波动</translation>
    </message>
    <message>
        <source>met</source>
        <translation>满足</translation>
    </message>
</context>
<context>
    <name>RecordStore</name>
    <message>
        <source>The records database %1 cannot be reached: %2</source>
        <translation>无法访问记录数据库 %1：%2</translation>
    </message>
    <message>
        <source>The records database %1 was made by a newer version of this tool (schema %2; this one knows schema %3).</source>
        <translation>记录数据库 %1 由本工具的较新版本创建（结构版本 %2；本版本只支持结构版本 %3）。</translation>
    </message>
    <message>
        <source>The records database %1 did not take the request: %2</source>
        <translation>记录数据库 %1 未接受请求：%2</translation>
    </message>
    <message>
        <source>The records database URL %1 is not valid: %2.</source>
        <translation>记录数据库 URL %1 无效：%2。</translation>
    </message>
    <message>
        <source>The role %1 may not create or update the tables of the records database %2 (schema %3): let the database&apos;s owner open the records once with this tool (for example tr451 history 0, with the owner&apos;s URL as the records database), or grant %1 CREATE on the schema. The database said: %4</source>
        <translation>角色 %1 无权创建或更新记录数据库 %2 的表（架构 %3）：请让数据库的所有者用本工具打开一次记录（例如以所有者的 URL 作为记录数据库运行 tr451 history 0），或授予 %1 对该架构的 CREATE 权限。数据库的答复：%4</translation>
    </message>
    <message>
        <source>The check is stored with its first %1 point(s), not what followed.</source>
        <translation>核查及其前 %1 个点已保存，其后的内容未保存。</translation>
    </message>
    <message>
        <source>Nothing of the check was stored.</source>
        <translation>该核查的任何内容都未保存。</translation>
    </message>
    <message>
        <source>The run is stored as it was before this.</source>
        <translation>批量运行已按此前的状态保存，本次内容未保存。</translation>
    </message>
    <message>
        <source>Nothing of the run was stored.</source>
        <translation>该批量运行的任何内容都未保存。</translation>
    </message>
</context>
<context>
    <name>ReferencePoller</name>
    <message>
        <source>The reference&apos;s port %1 is the one the transmitter is linked on: the reference needs a line of its own.</source>
        <translation>参考仪器的端口 %1 正是变送器所连接的端口:参考仪器需要一条自己的线路。</translation>
    </message>
    <message>
        <source>The reference has given no reading since %1.</source>
        <translation>参考仪器自 %1 起没有给出读数。</translation>
    </message>
    <message>
        <source>The reference&apos;s port %1 cannot be opened since %2: %3</source>
        <translation>参考仪器的端口 %1 自 %2 起无法打开:%3</translation>
    </message>
</context>
<context>
    <name>RunTable</name>
    <message>
        <source>Point %1
%2 ℃, %3 %RH</source>
        <translation>第 %1 点
%2 ℃, %3 %RH</translation>
    </message>
    <message>
        <source>set aside</source>
        <translation>已搁置</translation>
    </message>
    <message>
        <source>point done</source>
        <translation>本点完成</translation>
    </message>
    <message>
        <source>waiting for the band and the soak</source>
        <translation>等待进入带宽并保持</translation>
    </message>
</context>
<context>
    <name>RunTexts</name>
    <message>
        <source>enrolling the transmitters</source>
        <translation>正在登记变送器</translation>
    </message>
    <message>
        <source>waiting for the reference to come within the band</source>
        <translation>等待参考仪器读数进入带宽</translation>
    </message>
    <message>
        <source>soaking</source>
        <translation>保持中</translation>
    </message>
    <message>
        <source>taking each transmitter&apos;s point once it is stable</source>
        <translation>各变送器稳定后即取点</translation>
    </message>
    <message>
        <source>paused</source>
        <translation>已暂停</translation>
    </message>
    <message>
        <source>ended</source>
        <translation>已结束</translation>
    </message>
    <message>
        <source>Point %1 of %2: %3</source>
        <translation>第 %1 点,共 %2 点:%3</translation>
    </message>
    <message>
        <source>Band: %1 ± %2 ℃, %3 ± %4 %RH</source>
        <translation>带宽:%1 ± %2 ℃, %3 ± %4 %RH</translation>
    </message>
    <message>
        <source>The reference reads %1 ℃, %2 %RH</source>
        <translation>参考仪器读数 %1 ℃, %2 %RH</translation>
    </message>
    <message>
        <source>Soak left: %1
Time to go at most: %2</source>
        <translation>剩余保持时间:%1
最长剩余时间:%2</translation>
    </message>
    <message>
        <source>The run finished: every point is done and the checks have their results.</source>
        <translation>运行已完成:所有点均已完成,各核查已有结果。</translation>
    </message>
    <message>
        <source>The run was aborted: its checks are abandoned.</source>
        <translation>运行已中止:其核查已放弃。</translation>
    </message>
    <message>
        <source>The run was stopped: the records keep it running, to be resumed.</source>
        <translation>运行已停止:记录中保持其运行状态,可以继续。</translation>
    </message>
    <message>
        <source>The run was refused.</source>
        <translation>运行被拒绝。</translation>
    </message>
    <message>
        <source>A port could not be opened; nothing was stored.</source>
        <translation>无法打开端口;未保存任何内容。</translation>
    </message>
    <message>
        <source>No transmitter answered at the addresses; nothing was stored.</source>
        <translation>这些地址上没有变送器应答;未保存任何内容。</translation>
    </message>
    <message>
        <source>The records hold no unfinished run of this profile.</source>
        <translation>记录中没有此点序列的未完成运行。</translation>
    </message>
    <message>
        <source>The records could not be reached, or did not take the run&apos;s end.</source>
        <translation>无法访问记录,或记录未能保存运行的结束。</translation>
    </message>
    <message>
        <source>A line was lost: the records keep the run running, to be resumed.</source>
        <translation>线路丢失:记录中保持其运行状态,可以继续。</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 小时 %2 分</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 分 %2 秒</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>temperature</source>
        <translation>温度</translation>
    </message>
    <message>
        <source>humidity</source>
        <translation>湿度</translation>
    </message>
    <message>
        <source>reference: %1</source>
        <translation>参考仪器：%1</translation>
    </message>
    <message>
        <source>Another transmitter answers at an address of the run: the records keep the run running, to be resumed.</source>
        <translation>运行的某个地址上应答的是另一台变送器：记录保持该运行为进行中，可稍后继续。</translation>
    </message>
</context>
<context>
    <name>SerialportSettingDialog</name>
    <message>
        <source>Dialog</source>
        <translation>对话框</translation>
    </message>
    <message>
        <source>Serialport Settings</source>
        <translation>串口设置</translation>
    </message>
    <message>
        <source>Port Name:</source>
        <translation>端口名:</translation>
    </message>
    <message>
        <source>Baud Rate:</source>
        <translation>波特率:</translation>
    </message>
    <message>
        <source>Data Bits:</source>
        <translation>数据位:</translation>
    </message>
    <message>
        <source>Parity:</source>
        <translation>校验位:</translation>
    </message>
    <message>
        <source>Stop Bits:</source>
        <translation>停止位:</translation>
    </message>
    <message>
        <source>AUTO</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>1200</source>
        <translation>1200</translation>
    </message>
    <message>
        <source>2400</source>
        <translation>2400</translation>
    </message>
    <message>
        <source>4800</source>
        <translation>4800</translation>
    </message>
    <message>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <source>115200</source>
        <translation>115200</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>无</translation>
    </message>
    <message>
        <source>ODD</source>
        <translation>奇校验</translation>
    </message>
    <message>
        <source>EVEN</source>
        <translation>偶校验</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Serial port</source>
        <translation>串口</translation>
    </message>
</context>
<context>
    <name>StationSettings</name>
    <message>
        <source>the reference instrument</source>
        <translation>参考仪器</translation>
    </message>
    <message>
        <source>the number of the reference&apos;s certificate</source>
        <translation>参考仪器的证书编号</translation>
    </message>
    <message>
        <source>the reference&apos;s calibration due date</source>
        <translation>参考仪器的校准到期日</translation>
    </message>
    <message>
        <source>A certificate needs %1, which the station settings lack.</source>
        <translation>证书需要%1，但工位设置中缺少。</translation>
    </message>
    <message>
        <source>The reference instrument&apos;s calibration was due on %1: it may not be used for a check until it is calibrated again.</source>
        <translation>参考仪器的校准已于 %1 到期：重新校准之前不得用于核查。</translation>
    </message>
</context>
<context>
    <name>TrendWindow</name>
    <message>
        <source>Trend</source>
        <translation>趋势</translation>
    </message>
    <message>
        <source>Span:</source>
        <translation>时间范围:</translation>
    </message>
    <message>
        <source>Last 1 min</source>
        <translation>最近 1 分钟</translation>
    </message>
    <message>
        <source>Last 10 min</source>
        <translation>最近 10 分钟</translation>
    </message>
    <message>
        <source>Last 1 h</source>
        <translation>最近 1 小时</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Drag to zoom, right-click to go back, Shift+drag to pan</source>
        <translation>拖动以缩放，右键单击返回，Shift+拖动以平移</translation>
    </message>
    <message>
        <source>Status: ---</source>
        <translation>状态: ---</translation>
    </message>
    <message>
        <source>Save image...</source>
        <translation>保存图像...</translation>
    </message>
    <message>
        <source>Temperature (℃)</source>
        <translation>温度 (℃)</translation>
    </message>
    <message>
        <source>Humidity (%)</source>
        <translation>湿度 (%)</translation>
    </message>
    <message>
        <source>Dew point (℃)</source>
        <translation>露点 (℃)</translation>
    </message>
    <message>
        <source>Samples</source>
        <translation>样本数</translation>
    </message>
    <message>
        <source>Last</source>
        <translation>最新值</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>最小值</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>最大值</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均值</translation>
    </message>
    <message>
        <source>Std dev</source>
        <translation>标准差</translation>
    </message>
    <message>
        <source>Drift (/min)</source>
        <translation>漂移 (/分钟)</translation>
    </message>
    <message>
        <source>Record...</source>
        <translation>记录...</translation>
    </message>
    <message>
        <source>Stop recording</source>
        <translation>停止记录</translation>
    </message>
    <message>
        <source>Not recording</source>
        <translation>未记录</translation>
    </message>
    <message>
        <source>Local time</source>
        <translation>本地时间</translation>
    </message>
    <message>
        <source>Temperature, dew point (℃)</source>
        <translation>温度、露点 (℃)</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>温度</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>湿度</translation>
    </message>
    <message>
        <source>Dew point</source>
        <translation>露点</translation>
    </message>
    <message>
        <source>Status: %1</source>
        <translation>状态: %1</translation>
    </message>
    <message>
        <source>Recording to %1, rows written: %2</source>
        <translation>正在记录到 %1，已写入行数: %2</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>Cannot write to %1: %2
Recording has stopped; the rows written before are kept.</source>
        <translation>无法写入 %1: %2
记录已停止；之前写入的行已保留。</translation>
    </message>
    <message>
        <source>Record readings</source>
        <translation>记录读数</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV 文件 (*.csv);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Save image</source>
        <translation>保存图像</translation>
    </message>
    <message>
        <source>Cannot save the image to %1: %2</source>
        <translation>无法将图像保存到 %1: %2</translation>
    </message>
    <message>
        <source>PNG image (*.png);;SVG image (*.svg)</source>
        <translation>PNG 图像 (*.png);;SVG 图像 (*.svg)</translation>
    </message>
    <message>
        <source>the name must end in .png or .svg</source>
        <translation>文件名必须以 .png 或 .svg 结尾</translation>
    </message>
    <message>
        <source>%1 already exists. Replace it?</source>
        <translation>%1 已存在。要替换它吗?</translation>
    </message>
</context>
<context>
    <name>Verdict</name>
    <message>
        <source>Pass</source>
        <translation>合格</translation>
    </message>
    <message>
        <source>Conditional pass</source>
        <translation>有条件合格</translation>
    </message>
    <message>
        <source>Conditional fail</source>
        <translation>有条件不合格</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>不合格</translation>
    </message>
</context>
<context>
    <name>Widget</name>
    <message>
        <source>Widget</source>
        <translation>Widget</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>地址:</translation>
    </message>
    <message>
        <source>MANU Setup</source>
        <translation>手动设置</translation>
    </message>
    <message>
        <source>Serial number:</source>
        <translation>序列号:</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>开</translation>
    </message>
    <message>
        <source>Heater:</source>
        <translation>加热:</translation>
    </message>
    <message>
        <source>Temperature Out Range(℃):</source>
        <translation>温度输出范围(℃):</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>关</translation>
    </message>
    <message>
        <source>1200</source>
        <translation>1200</translation>
    </message>
    <message>
        <source>2400</source>
        <translation>2400</translation>
    </message>
    <message>
        <source>4800</source>
        <translation>4800</translation>
    </message>
    <message>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <source>115200</source>
        <translation>115200</translation>
    </message>
    <message>
        <source>Baud rate:</source>
        <translation>波特率:</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>温度</translation>
    </message>
    <message>
        <source>Humidity</source>
        <translation>湿度</translation>
    </message>
    <message>
        <source>TDEW</source>
        <translation>露点</translation>
    </message>
    <message>
        <source>Channel:</source>
        <translation>通道:</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>读取</translation>
    </message>
    <message>
        <source>AUTO Setup</source>
        <translation>自动设置</translation>
    </message>
    <message>
        <source>Real time data</source>
        <translation>实时数据</translation>
    </message>
    <message>
        <source>Temperature:</source>
        <translation>温度:</translation>
    </message>
    <message>
        <source>Humidity:</source>
        <translation>湿度:</translation>
    </message>
    <message>
        <source>DewTemp:</source>
        <translation>露点:</translation>
    </message>
    <message>
        <source>WetBulbTemp:</source>
        <translation>湿球温度:</translation>
    </message>
    <message>
        <source>Magnification:</source>
        <translation>倍率:</translation>
    </message>
    <message>
        <source>*10</source>
        <translation>*10</translation>
    </message>
    <message>
        <source>*100</source>
        <translation>*100</translation>
    </message>
    <message>
        <source>ALL</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>DewTemp</source>
        <translation>露点</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>消息</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>TR-451&amp;573 Test Tools</source>
        <translation>TR-451&amp;573 测试工具</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Failed to open the serial port!</source>
        <translation>打开串口失败!</translation>
    </message>
    <message>
        <source>Communication error!</source>
        <translation>通讯错误!</translation>
    </message>
    <message>
        <source>USB device error, please reconnect USB device!</source>
        <translation>USB设备错误,请重新连接USB设备!</translation>
    </message>
    <message>
        <source>The address is empty!</source>
        <translation>地址为空!</translation>
    </message>
    <message>
        <source>The address is between 1 and 247!</source>
        <translation>地址范围为1到247!</translation>
    </message>
    <message>
        <source>The serial number is a fixed 12 characters!</source>
        <translation>序列号固定为12个字符!</translation>
    </message>
    <message>
        <source>The serial number must be 12 hexadecimal digits!</source>
        <translation>序列号必须是12位十六进制数字!</translation>
    </message>
    <message>
        <source>Data is empty!</source>
        <translation>数据为空!</translation>
    </message>
    <message>
        <source>The temperature range must be a number from -3276.8 to 3276.7!</source>
        <translation>温度范围必须是-3276.8到3276.7之间的数字!</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>mA</source>
        <translation>mA</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <source>Temperature:---</source>
        <translation>温度:---</translation>
    </message>
    <message>
        <source>Humidity:---</source>
        <translation>湿度:---</translation>
    </message>
    <message>
        <source>DewTemp:---</source>
        <translation>露点:---</translation>
    </message>
    <message>
        <source>No serial port was chosen!</source>
        <translation>没有选择串口!</translation>
    </message>
    <message>
        <source>Trend</source>
        <translation>趋势</translation>
    </message>
    <message>
        <source>Save log as...</source>
        <translation>日志另存为...</translation>
    </message>
    <message>
        <source>Save log as</source>
        <translation>日志另存为</translation>
    </message>
    <message>
        <source>Text files (*.txt);;All files (*)</source>
        <translation>文本文件 (*.txt);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Cannot save the log to %1: %2</source>
        <translation>无法将日志保存到 %1: %2</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>核查</translation>
    </message>
    <message>
        <source>Batch</source>
        <translation>批量</translation>
    </message>
    <message>
        <source>Batch run</source>
        <translation>批量运行</translation>
    </message>
    <message numerus="yes">
        <source>The batch run of %n transmitter(s) begun %1 did not finish. Resume it?</source>
        <translation>
            <numerusform>始于 %1 的 %n 台变送器的批量运行未完成。是否继续?</numerusform>
        </translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>暂不</translation>
    </message>
</context>
</TS>
