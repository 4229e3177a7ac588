<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>QClockDlg</name>
    <message>
        <source>&amp;Slide</source>
        <translation>&amp;Slide</translation>
    </message>
    <message>
        <source>&amp;Flip</source>
        <translation>&amp;Flip</translation>
    </message>
    <message>
        <source>&amp;Rotate</source>
        <translation>&amp;Rotate</translation>
    </message>
</context>
<context>
    <name>QReportWidget</name>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Count</translation>
    </message>
</context>
<context>
    <name>QTimeDlg</name>
    <message>
        <source>时间设置</source>
        <translation>Set time</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>11</source>
        <translation>11</translation>
    </message>
    <message>
        <source>12</source>
        <translation>12</translation>
    </message>
    <message>
        <source>13</source>
        <translation>13</translation>
    </message>
    <message>
        <source>14</source>
        <translation>14</translation>
    </message>
    <message>
        <source>15</source>
        <translation>15</translation>
    </message>
    <message>
        <source>16</source>
        <translation>16</translation>
    </message>
    <message>
        <source>17</source>
        <translation>17</translation>
    </message>
    <message>
        <source>18</source>
        <translation>18</translation>
    </message>
    <message>
        <source>19</source>
        <translation>19</translation>
    </message>
    <message>
        <source>20</source>
        <translation>20</translation>
    </message>
    <message>
        <source>21</source>
        <translation>21</translation>
    </message>
    <message>
        <source>22</source>
        <translation>22</translation>
    </message>
    <message>
        <source>23</source>
        <translation>23</translation>
    </message>
    <message>
        <source>小时</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>24</source>
        <translation>24</translation>
    </message>
    <message>
        <source>25</source>
        <translation>25</translation>
    </message>
    <message>
        <source>26</source>
        <translation>26</translation>
    </message>
    <message>
        <source>27</source>
        <translation>27</translation>
    </message>
    <message>
        <source>28</source>
        <translation>28</translation>
    </message>
    <message>
        <source>29</source>
        <translation>29</translation>
    </message>
    <message>
        <source>30</source>
        <translation>30</translation>
    </message>
    <message>
        <source>31</source>
        <translation>31</translation>
    </message>
    <message>
        <source>32</source>
        <translation>32</translation>
    </message>
    <message>
        <source>33</source>
        <translation>33</translation>
    </message>
    <message>
        <source>34</source>
        <translation>34</translation>
    </message>
    <message>
        <source>35</source>
        <translation>35</translation>
    </message>
    <message>
        <source>36</source>
        <translation>36</translation>
    </message>
    <message>
        <source>37</source>
        <translation>37</translation>
    </message>
    <message>
        <source>38</source>
        <translation>38</translation>
    </message>
    <message>
        <source>39</source>
        <translation>39</translation>
    </message>
    <message>
        <source>40</source>
        <translation>40</translation>
    </message>
    <message>
        <source>41</source>
        <translation>41</translation>
    </message>
    <message>
        <source>42</source>
        <translation>42</translation>
    </message>
    <message>
        <source>43</source>
        <translation>43</translation>
    </message>
    <message>
        <source>44</source>
        <translation>44</translation>
    </message>
    <message>
        <source>45</source>
        <translation>45</translation>
    </message>
    <message>
        <source>46</source>
        <translation>46</translation>
    </message>
    <message>
        <source>47</source>
        <translation>47</translation>
    </message>
    <message>
        <source>48</source>
        <translation>48</translation>
    </message>
    <message>
        <source>49</source>
        <translation>49</translation>
    </message>
    <message>
        <source>50</source>
        <translation>50</translation>
    </message>
    <message>
        <source>51</source>
        <translation>51</translation>
    </message>
    <message>
        <source>52</source>
        <translation>52</translation>
    </message>
    <message>
        <source>53</source>
        <translation>53</translation>
    </message>
    <message>
        <source>54</source>
        <translation>54</translation>
    </message>
    <message>
        <source>55</source>
        <translation>55</translation>
    </message>
    <message>
        <source>56</source>
        <translation>56</translation>
    </message>
    <message>
        <source>57</source>
        <translation>57</translation>
    </message>
    <message>
        <source>58</source>
        <translation>58</translation>
    </message>
    <message>
        <source>59</source>
        <translation>59</translation>
    </message>
    <message>
        <source>分钟</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>2017/00/00 00:00</source>
        <translation>2017/00/00 00:00</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ShiftReport</name>
    <message>
        <source>全天</source>
        <translation>Whole day</translation>
    </message>
    <message>
        <source>全厂</source>
        <translation>Whole plant</translation>
    </message>
    <message>
        <source>直径</source>
        <translation>Diameter</translation>
    </message>
    <message>
        <source>厚度</source>
        <translation>Thickness</translation>
    </message>
    <message>
        <source>相似度(%)</source>
        <translation>Similarity (%)</translation>
    </message>
    <message>
        <source>检测时间</source>
        <translation>Detect time</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>生产报表</source>
        <translation>Production report</translation>
    </message>
    <message>
        <source>第%1页</source>
        <translation>Page %1</translation>
    </message>
    <message>
        <source>工位：%1</source>
        <translation>Station: %1</translation>
    </message>
    <message>
        <source>时间范围：%1 至 %2</source>
        <translation>Range: %1 to %2</translation>
    </message>
    <message>
        <source>班次：%1</source>
        <translation>Shift: %1</translation>
    </message>
    <message>
        <source>按起止时间</source>
        <translation>by start and end time</translation>
    </message>
    <message>
        <source>生成时间：%1</source>
        <translation>Made: %1</translation>
    </message>
    <message>
        <source>程序版本：hxReport %1</source>
        <translation>Program: hxReport %1</translation>
    </message>
    <message>
        <source>各型号产量</source>
        <translation>Hubs per model</translation>
    </message>
    <message>
        <source>总数</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>NG率(%)</source>
        <translation>NG rate (%)</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>每日产量与NG率</source>
        <translation>Output and NG rate per day</translation>
    </message>
    <message>
        <source>每小时产量与NG率</source>
        <translation>Output and NG rate per hour</translation>
    </message>
    <message>
        <source>时段</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>NG</source>
        <translation>NG</translation>
    </message>
    <message>
        <source>报警记录</source>
        <translation>Alarms</translation>
    </message>
    <message>
        <source>无报警记录</source>
        <translation>No alarm records</translation>
    </message>
    <message>
        <source>共%1条报警记录，以下为最新的%2条</source>
        <translation>%1 alarm records; the newest %2 below</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>信息</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>测量值</source>
        <translation>Measurements</translation>
    </message>
    <message>
        <source>无测量记录</source>
        <translation>No measurements</translation>
    </message>
    <message>
        <source>Cp/Cpk按质量分析页为该型号设定的上下限计算；未设限值时为“-”</source>
        <translation>Cp/Cpk against the limits set for the model on the quality page; “-” without limits</translation>
    </message>
    <message>
        <source>指标</source>
        <translation>Figure</translation>
    </message>
    <message>
        <source>型号 %1</source>
        <translation>Model %1</translation>
    </message>
    <message>
        <source>平均值</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>标准差σ</source>
        <translation>Std. dev. σ</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>上下限</source>
        <translation>Limits</translation>
    </message>
</context>
<context>
    <name>hxReport</name>
    <message>
        <source>无法打开数据库 %1：%2</source>
        <translation>Cannot open the database %1: %2</translation>
    </message>
    <message>
        <source>数据记录查看</source>
        <translation>Data Records</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>系统自动进行清理完成</source>
        <translation>Automatic clean-up finished</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>操作已生效</source>
        <translation>The operation has taken effect</translation>
    </message>
    <message>
        <source>统计失败：%1</source>
        <translation>Statistics failed: %1</translation>
    </message>
    <message>
        <source>查询失败：%1</source>
        <translation>Query failed: %1</translation>
    </message>
    <message>
        <source>第%1页 共%2页</source>
        <translation>Page %1/%2</translation>
    </message>
    <message>
        <source>全天</source>
        <translation>Whole day</translation>
    </message>
    <message>
        <source>报警记录查询</source>
        <translation>Alarm records</translation>
    </message>
    <message>
        <source>运行状态查询</source>
        <translation>Running-state records</translation>
    </message>
    <message>
        <source>使用记录查询</source>
        <translation>Usage records</translation>
    </message>
    <message>
        <source>生产数据查询</source>
        <translation>Production</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>NG</source>
        <translation>NG</translation>
    </message>
    <message>
        <source>正在查询数据，请稍后</source>
        <translation>Querying data, please wait</translation>
    </message>
    <message>
        <source>您选择的班次时间是隔夜的，请您重新选择一下当前查询的日期，再查询</source>
        <translation>The chosen shift runs overnight; choose the query dates again, then query.</translation>
    </message>
    <message>
        <source>您选择的日期不合理，请您重新选择一下当前查询的日期，再查询</source>
        <translation>The dates are not reasonable; choose the query dates again, then query.</translation>
    </message>
    <message>
        <source>查询了%1-%2的生产数据</source>
        <translation>Queried the production data of %1-%2</translation>
    </message>
    <message>
        <source>起始时间:%1 到 结束时间:%2 的历史记录</source>
        <translation>Records from %1 to %2</translation>
    </message>
    <message>
        <source>正在查询数据</source>
        <translation>Querying data</translation>
    </message>
    <message>
        <source>起始时间:%1 到 结束时间:%2 的历史记录 共%3条</source>
        <translation>Records from %1 to %2: %3 in all</translation>
    </message>
    <message>
        <source>数据查询完成</source>
        <translation>Query finished</translation>
    </message>
    <message>
        <source>日期时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>匹配型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>相似度</source>
        <translation>Similarity</translation>
    </message>
    <message>
        <source>消耗时间s</source>
        <translation>Took s</translation>
    </message>
    <message>
        <source>直径mm</source>
        <translation>Dia. mm</translation>
    </message>
    <message>
        <source>厚度mm</source>
        <translation>Thick. mm</translation>
    </message>
    <message>
        <source>缩略图</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>uid</source>
        <translation>uid</translation>
    </message>
    <message>
        <source>查询了%1-%2的日志数据</source>
        <translation>Queried the log data of %1-%2</translation>
    </message>
    <message>
        <source>正在查询记录，请稍等</source>
        <translation>Querying records, please wait</translation>
    </message>
    <message>
        <source>从%1 到 %2 的记录 共%3条</source>
        <translation>Records from %1 to %2: %3 in all</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>信息</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>您选择的日期不合理，请您重新起始日期，再查询</source>
        <translation>The dates are not reasonable; choose the start date again, then query.</translation>
    </message>
    <message>
        <source>统计结果 </source>
        <translation>Statistics </translation>
    </message>
    <message>
        <source>总数</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>没有数据，请重新查询</source>
        <translation>No data; please query first</translation>
    </message>
    <message>
        <source>正在导出数据，请稍等</source>
        <translation>Exporting, please wait</translation>
    </message>
    <message>
        <source>数据导出完成</source>
        <translation>Export finished</translation>
    </message>
    <message>
        <source>数据导出失败：%1</source>
        <translation>Export failed: %1</translation>
    </message>
    <message>
        <source>从%1到%2统计的数据如下</source>
        <translation>Statistics from %1 to %2</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>时间:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>用户:</source>
        <translation>User:</translation>
    </message>
    <message>
        <source>站点文件夹：%1</source>
        <translation>Station folder: %1</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>正在建立记录索引 %1%</source>
        <translation>Indexing records %1%</translation>
    </message>
    <message>
        <source>记录索引暂不可用，已直接查询</source>
        <translation>Record index not ready; answered directly</translation>
    </message>
    <message>
        <source>质量分析</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>合格型号</source>
        <translation>Models</translation>
    </message>
    <message>
        <source>各型号数量</source>
        <translation>Hubs per model</translation>
    </message>
    <message>
        <source>趋势</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>测量值</source>
        <translation>Measurements</translation>
    </message>
    <message>
        <source>设置开始时间</source>
        <translation>Set start</translation>
    </message>
    <message>
        <source>设置结束时间</source>
        <translation>Set end</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>每小时</source>
        <translation>Per hour</translation>
    </message>
    <message>
        <source>每班次</source>
        <translation>Per shift</translation>
    </message>
    <message>
        <source>每天</source>
        <translation>Per day</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>开始日期时间：</source>
        <translation>Start:</translation>
    </message>
    <message>
        <source>生产班次</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>时段</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>结束日期时间：</source>
        <translation>End:</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>导出图片</source>
        <translation>Export PNG</translation>
    </message>
    <message>
        <source>测量项</source>
        <translation>Measure</translation>
    </message>
    <message>
        <source>下限</source>
        <translation>Lower</translation>
    </message>
    <message>
        <source>上限</source>
        <translation>Upper</translation>
    </message>
    <message>
        <source>正在分析数据</source>
        <translation>Analysing data</translation>
    </message>
    <message>
        <source>分析失败：%1</source>
        <translation>Analysis failed: %1</translation>
    </message>
    <message>
        <source>型号：%1  记录：%2</source>
        <translation>Model: %1  Records: %2</translation>
    </message>
    <message>
        <source>NG率(%)</source>
        <translation>NG rate (%)</translation>
    </message>
    <message>
        <source>限值无效：下限和上限须为数字，且下限不大于上限</source>
        <translation>Invalid limits: lower and upper must be numbers, lower not above upper</translation>
    </message>
    <message>
        <source>%1：%2 至 %3，型号 %4</source>
        <translation>%1: %2 to %3, model %4</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>直径</source>
        <translation>Diameter</translation>
    </message>
    <message>
        <source>厚度</source>
        <translation>Thickness</translation>
    </message>
    <message>
        <source>检测时间</source>
        <translation>Detect time</translation>
    </message>
    <message>
        <source>指标</source>
        <translation>Figure</translation>
    </message>
    <message>
        <source>非数值</source>
        <translation>Not a number</translation>
    </message>
    <message>
        <source>平均值</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>标准差</source>
        <translation>Std. dev.</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>超限数</source>
        <translation>Out of limits</translation>
    </message>
    <message>
        <source>测量值按单个型号统计：请选择型号后查询</source>
        <translation>Measurements: choose one model</translation>
    </message>
    <message>
        <source>服务器设置</source>
        <translation>Server settings</translation>
    </message>
    <message>
        <source>项目</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>服务器</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>登录</source>
        <translation>Login</translation>
    </message>
    <message>
        <source>用户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>数据库</source>
        <translation>Database</translation>
    </message>
    <message>
        <source>密码文件</source>
        <translation>Password file</translation>
    </message>
    <message>
        <source>可空：另用环境变量 MYSQL_PWD 或连接时输入</source>
        <translation>Optional (else MYSQL_PWD, or asked)</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>密码不保存在设置文件中。</source>
        <translation>The password is never kept in the settings file.</translation>
    </message>
    <message>
        <source>服务器地址无效</source>
        <translation>The server address is not valid</translation>
    </message>
    <message>
        <source>端口应为1到65535</source>
        <translation>The port must be 1 to 65535</translation>
    </message>
    <message>
        <source>请填写用户和数据库</source>
        <translation>Fill in the user and the database</translation>
    </message>
    <message>
        <source>无法保存设置</source>
        <translation>The settings cannot be saved</translation>
    </message>
    <message>
        <source>已保存</source>
        <translation>Saved</translation>
    </message>
    <message>
        <source>按小时统计最多%1天，请缩短时间范围或按天、按班次统计</source>
        <translation>A trend per hour covers at most %1 days: shorten the range, or choose days or shifts</translation>
    </message>
    <message>
        <source>无法连接服务器 %1：%2</source>
        <translation>Cannot connect to server %1: %2</translation>
    </message>
    <message>
        <source>服务器 %1 上用户 %2 的密码：</source>
        <translation>Password of user %2 on server %1:</translation>
    </message>
    <message>
        <source>工位</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>工位: %1</source>
        <translation>Station: %1</translation>
    </message>
    <message>
        <source>工位 %1 没有班次 %2，已改为全天</source>
        <translation>Station %1 has no shift %2: the range is now whole days</translation>
    </message>
    <message>
        <source>正在查询…</source>
        <translation>Querying…</translation>
    </message>
    <message>
        <source>正在导出…</source>
        <translation>Exporting…</translation>
    </message>
    <message>
        <source>所选范围：%1 至 %2</source>
        <translation>Range chosen: %1 to %2</translation>
    </message>
    <message>
        <source>本页%1条，共%2条</source>
        <translation>%1 of %2 rows</translation>
    </message>
    <message>
        <source>NG记录的型号为“NG”：选定单个型号时NG数和NG率为“—”</source>
        <translation>NG records carry the model “NG”: with one model chosen, NG and NG rate show “—”</translation>
    </message>
    <message>
        <source>正在连接服务器 %1…</source>
        <translation>Connecting to the server %1…</translation>
    </message>
    <message>
        <source>已连接服务器 %1</source>
        <translation>Connected to the server %1</translation>
    </message>
    <message>
        <source>保存到：%1</source>
        <translation>Saved to: %1</translation>
    </message>
    <message>
        <source>查询失败</source>
        <translation>Query failed</translation>
    </message>
    <message>
        <source>起始时间:%1 到 结束时间:%2 的查询失败：%3</source>
        <translation>Query from %1 to %2 failed: %3</translation>
    </message>
    <message>
        <source>服务器用户 %1 的密码：</source>
        <translation>Password of server user %1:</translation>
    </message>
    <message>
        <source>%1个字符不在本机的编码中，已写为&lt;U+XXXX&gt;</source>
        <translation>%1 character(s) not in this PC&apos;s code page were written as &lt;U+XXXX&gt;</translation>
    </message>
    <message>
        <source>生成报表</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>预览…</source>
        <translation>Preview…</translation>
    </message>
    <message>
        <source>打印…</source>
        <translation>Print…</translation>
    </message>
    <message>
        <source>保存为PDF…</source>
        <translation>Save as PDF…</translation>
    </message>
    <message>
        <source>正在生成报表</source>
        <translation>Making the report</translation>
    </message>
    <message>
        <source>报表生成失败：%1</source>
        <translation>Report failed: %1</translation>
    </message>
    <message>
        <source>生产报表</source>
        <translation>Production report</translation>
    </message>
</context>
<context>
    <name>hxReportClass</name>
    <message>
        <source>hxReport</source>
        <translation>hxReport</translation>
    </message>
    <message>
        <source>生产数据查询</source>
        <translation>Production</translation>
    </message>
    <message>
        <source>生产数据统计</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>日志记录</source>
        <translation>Logs</translation>
    </message>
    <message>
        <source>开始日期时间：</source>
        <translation>Start:</translation>
    </message>
    <message>
        <source>2017-11-11 11:11:11</source>
        <translation>2017-11-11 11:11:11</translation>
    </message>
    <message>
        <source>设置开始时间</source>
        <translation>Set start</translation>
    </message>
    <message>
        <source>结束日期时间：</source>
        <translation>End:</translation>
    </message>
    <message>
        <source>设置结束时间</source>
        <translation>Set end</translation>
    </message>
    <message>
        <source>筛选型号</source>
        <translation>Model filter</translation>
    </message>
    <message>
        <source>所有</source>
        <translation>All</translation>
    </message>
    <message>
        <source>生产班次</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>全天</source>
        <translation>Whole day</translation>
    </message>
    <message>
        <source>查询数量</source>
        <translation>Records found</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>标题</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>双击单条记录显示图片</source>
        <translation>Double-click a record
to show its picture</translation>
    </message>
    <message>
        <source>显示数据数(条)</source>
        <translation>Page size</translation>
    </message>
    <message>
        <source>50</source>
        <translation>50</translation>
    </message>
    <message>
        <source>上一页</source>
        <translation>Prev</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>TextLabel</translation>
    </message>
    <message>
        <source>下一页</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>起始日期时间：</source>
        <translation>Start:</translation>
    </message>
    <message>
        <source>设置起始时间</source>
        <translation>Set start</translation>
    </message>
    <message>
        <source>数据类型查询</source>
        <translation>Record kind</translation>
    </message>
    <message>
        <source>报警记录查询</source>
        <translation>Alarm records</translation>
    </message>
</context>
</TS>
