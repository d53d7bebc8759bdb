<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">
<title>検索結果</title>
</head>
<body>
<p>「sitekeeper」の検索結果です。生の deflate で送られます。</p>
<p><a href="../index.html">トップへ戻る</a></p>
</body>
</html>
