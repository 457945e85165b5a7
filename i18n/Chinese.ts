<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CsvRecorder</name>
    <message>
        <source>The file was removed, moved or replaced</source>
        <translation>文件已被删除、移走或替换</translation>
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
</context>
</TS>
