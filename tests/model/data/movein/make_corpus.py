# Generates the moving-in corpus: the same people from four sources, with the differences
# real exports have. Person ids go to truth.tsv, never into the files.
import random, os
random.seed(7)
out = os.path.dirname(os.path.abspath(__file__))
# id, family, given, family reading, given reading, mobile, home phone, email, postal, address, latin
P = [
 (1,'渡辺','葵','わたなべ','あおい','090-1111-0001','03-3111-0001','aoi.watanabe@example.jp','160-0023','東京都新宿区西新宿1-1-1','Aoi Watanabe'),
 (2,'高橋','健二','たかはし','けんじ','090-1111-0002','','k.takahashi@example.com','530-0001','大阪府大阪市北区梅田2-2-2','Kenji Takahashi'),
 (3,'斎藤','由美','さいとう','ゆみ','080-2222-0003','045-222-0003','yumi.saito@example.ne.jp','220-0011','神奈川県横浜市西区高島3-3-3','Yumi Saito'),
 (4,'山崎','翔太','やまざき','しょうた','090-3333-0004','','shota@example.org','460-0002','愛知県名古屋市中区丸の内4-4','Shota Yamazaki'),
 (5,'佐藤','健','さとう','けん','090-4444-0005','03-4444-0005','ken.sato@example.jp','150-0001','東京都渋谷区神宮前5-5-5','Ken Sato'),
 (6,'鈴木','花子','すずき','はなこ','070-5555-0006','','hanako.s@example.com','812-0011','福岡県福岡市博多区博多駅前6-6','Hanako Suzuki'),
 (7,'大野','智','おおの','さとし','090-6666-0007','','ohno.satoshi@example.jp','980-0021','宮城県仙台市青葉区中央7-7','Satoshi Ohno'),
 (8,'伊藤','美咲','いとう','みさき','080-7777-0008','','misaki.ito@example.com','060-0001','北海道札幌市中央区北一条西8-8','Misaki Ito'),
 (9,'小林','大輔','こばやし','だいすけ','090-8888-0009','048-888-0009','d.kobayashi@example.jp','330-0063','埼玉県さいたま市浦和区高砂9-9','Daisuke Kobayashi'),
 (10,'中村','彩','なかむら','あや','090-9999-0010','','aya.nakamura@example.ne.jp','600-8216','京都府京都市下京区烏丸通10-10','Aya Nakamura'),
 (11,'服部','隼人','はっとり','はやと','080-1010-0011','','hattori@example.com','730-0011','広島県広島市中区基町11-1','Hayato Hattori'),
 (12,'吉田','涼子','よしだ','りょうこ','090-1212-0012','','ryoko.y@example.jp','260-0013','千葉県千葉市中央区中央12-2','Ryoko Yoshida'),
 (13,'山田','太郎','やまだ','たろう','090-1313-0013','03-1313-0013','taro.yamada@example.com','100-0005','東京都千代田区丸の内13-3','Taro Yamada'),
 (14,'松本','直樹','まつもと','なおき','090-1414-0014','','naoki.m@example.org','380-0836','長野県長野市南県町14-4','Naoki Matsumoto'),
 (15,'井上','千尋','いのうえ','ちひろ','080-1515-0015','','chihiro@example.jp','700-0024','岡山県岡山市北区駅元町15-5','Chihiro Inoue'),
 (16,'木村','拓也','きむら','たくや','090-1616-0016','','takuya.kimura@example.com','900-0015','沖縄県那覇市久茂地16-6','Takuya Kimura'),
 (17,'林','陽子','はやし','ようこ','070-1717-0017','052-717-0017','yoko.hayashi@example.jp','464-0850','愛知県名古屋市千種区今池17-7','Yoko Hayashi'),
 (18,'清水','誠','しみず','まこと','090-1818-0018','','makoto.shimizu@example.ne.jp','420-0857','静岡県静岡市葵区御幸町18-8','Makoto Shimizu'),
 (19,'森','真由美','もり','まゆみ','090-1919-0019','','mayumi.mori@example.com','950-0086','新潟県新潟市中央区花園19-9','Mayumi Mori'),
 (20,'池田','悠','いけだ','ゆう','080-2020-0020','','yu.ikeda@example.jp','760-0023','香川県高松市寿町20-1','Yu Ikeda'),
 (21,'橋本','恵','はしもと','めぐみ','090-2121-0021','','megumi.h@example.org','890-0053','鹿児島県鹿児島市中央町21-2','Megumi Hashimoto'),
 (22,'石川','亮','いしかわ','りょう','090-2222-0022','','ryo.ishikawa@example.jp','920-0853','石川県金沢市本町22-3','Ryo Ishikawa'),
 (23,'前田','京子','まえだ','きょうこ','080-2323-0023','','kyoko.maeda@example.com','790-0001','愛媛県松山市一番町23-4','Kyoko Maeda'),
 (24,'藤田','浩','ふじた','ひろし','090-2424-0024','06-2424-0024','hiroshi.fujita@example.jp','542-0076','大阪府大阪市中央区難波24-5','Hiroshi Fujita'),
 (25,'小川','舞','おがわ','まい','090-2525-0025','','mai.ogawa@example.ne.jp','310-0015','茨城県水戸市宮町25-6','Mai Ogawa'),
 (26,'岡田','俊介','おかだ','しゅんすけ','090-2626-0026','','shunsuke.okada@example.com','370-0841','群馬県高崎市栄町26-7','Shunsuke Okada'),
 (27,'後藤','愛','ごとう','あい','080-2727-0027','','ai.goto@example.jp','850-0057','長崎県長崎市大黒町27-8','Ai Goto'),
 (28,'長谷川','雄一','はせがわ','ゆういち','090-2828-0028','','yuichi.hasegawa@example.org','400-0031','山梨県甲府市丸の内28-9','Yuichi Hasegawa'),
 (29,'村上','沙織','むらかみ','さおり','090-2929-0029','','saori.murakami@example.jp','870-0035','大分県大分市中央町29-1','Saori Murakami'),
 (30,'近藤','勇','こんどう','いさみ','090-3030-0030','','isami.kondo@example.com','180-0004','東京都武蔵野市吉祥寺本町30-2','Isami Kondo'),
]
# Variant spellings some sources use.
variant = {1:'渡邊', 2:'髙橋', 3:'齋藤', 4:'山﨑'}
def kata(s): return ''.join(chr(ord(c)+0x60) if 'ぁ'<=c<='ゖ' else c for c in s)
hw = {}
src_hw = 'ｧｱｨｲｩｳｪｴｫｵｶｷｸｹｺｻｼｽｾｿﾀﾁｯﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓｬﾔｭﾕｮﾖﾗﾘﾙﾚﾛﾜｦﾝ'
src_fw = 'ァアィイゥウェエォオカキクケコサシスセソタチッツテトナニヌネノハヒフヘホマミムメモャヤュユョヨラリルレロワヲン'
for a,b in zip(src_fw, src_hw): hw[a]=b
voiced = {'ガ':'ｶﾞ','ギ':'ｷﾞ','グ':'ｸﾞ','ゲ':'ｹﾞ','ゴ':'ｺﾞ','ザ':'ｻﾞ','ジ':'ｼﾞ','ズ':'ｽﾞ','ゼ':'ｾﾞ','ゾ':'ｿﾞ','ダ':'ﾀﾞ','ヂ':'ﾁﾞ','ヅ':'ﾂﾞ','デ':'ﾃﾞ','ド':'ﾄﾞ','バ':'ﾊﾞ','ビ':'ﾋﾞ','ブ':'ﾌﾞ','ベ':'ﾍﾞ','ボ':'ﾎﾞ','パ':'ﾊﾟ','ピ':'ﾋﾟ','プ':'ﾌﾟ','ペ':'ﾍﾟ','ポ':'ﾎﾟ'}
def half(s):
    return ''.join(voiced.get(c, hw.get(c, c)) for c in kata(s))
def fullwidth_digits(s): return ''.join(chr(ord(c)+0xFEE0) if c.isdigit() else ('－' if c=='-' else c) for c in s)
def intl(p): return '+81 ' + p[1:]

truth = []
# ---- iPhone vCard 3.0: everyone.
v = []
for (i,f,g,fr,gr,mob,home,mail,post,addr,lat) in P:
    fam = variant.get(i, f) if i in (2,) else f
    v += ['BEGIN:VCARD','VERSION:3.0',f'N:{fam};{g};;;',f'FN:{fam} {g}',
          f'X-PHONETIC-LAST-NAME:{kata(fr)}',f'X-PHONETIC-FIRST-NAME:{kata(gr)}']
    v.append(f'TEL;type=CELL;type=VOICE;type=pref:{mob}')
    if home:
        if i == 17:
            v += [f'item1.TEL:{home}', 'item1.X-ABLabel:_$!<Other>!$_']
        else:
            v.append(f'TEL;type=HOME;type=VOICE:{home}')
    v.append(f'EMAIL;type=INTERNET;type=HOME;type=pref:{mail}')
    v.append(f'ADR;type=HOME;type=pref:;;{addr};;;{post};日本')
    if i == 13:
        v += ['item2.ADR:;;静岡県浜松市中区元城町13-1;;;430-0937;日本', 'item2.X-ABLabel:実家']
    v.append('END:VCARD')
    truth.append(('iphone.vcf', len([t for t in truth if t[0]=='iphone.vcf']), i))
open(f'{out}/iphone.vcf','w',newline='').write('\r\n'.join(v)+'\r\n')

# ---- Google CSV (UTF-8): 25 people, some in romaji, +81, upper-case mail, ::: values.
hdr = ['Name','Given Name','Family Name','Given Name Yomi','Family Name Yomi','Notes','Group Membership',
       'E-mail 1 - Type','E-mail 1 - Value','Phone 1 - Type','Phone 1 - Value','Phone 2 - Type','Phone 2 - Value',
       'Address 1 - Type','Address 1 - Formatted','Address 1 - Postal Code']
rows = []
gi = 0
def q(s): return '"'+s.replace('"','""')+'"' if (',' in s or '"' in s or '\n' in s) else s
for (i,f,g,fr,gr,mob,home,mail,post,addr,lat) in P:
    if i in (26,27,28,29,30): continue
    fam = variant.get(i, f) if i in (1,3) else f
    name, given, family, gy, fy = f'{fam} {g}', g, fam, gr, fr
    if i in (7, 16):  # written in romaji on the web
        name, given, family, gy, fy = lat, lat.split()[0], lat.split()[1], '', ''
    m = mail.upper() if i % 5 == 0 else mail
    phone = intl(mob) if i % 3 == 0 else mob
    p2t, p2 = ('Home', home) if home else ('', '')
    if i == 9:  # two numbers in one cell
        p2 = f'{home} ::: 048-888-0099'
    row = [name, given, family, gy, fy, '', '* myContacts', '* Home', m, 'Mobile', phone, p2t, p2,
           'Home', addr, post.replace('-','') if i % 2 else post]
    rows.append(','.join(q(c) for c in row))
    truth.append(('google.csv', gi, i)); gi += 1
# A different 鈴木 花子 with her own phone and mail.
rows.append(','.join(q(c) for c in ['鈴木 花子','花子','鈴木','はなこ','すずき','','* myContacts','* Home','suzuki.hanako.k@example.net','Mobile','090-6060-6006','','','Home','兵庫県神戸市中央区三宮町1-1','650-0021']))
truth.append(('google.csv', gi, 106)); gi += 1
open(f'{out}/google.csv','w',newline='').write(','.join(hdr)+'\r\n'+'\r\n'.join(rows)+'\r\n')

# ---- Outlook CSV (CP932): 15 people, full-width digits, 自宅電話 only for some.
hdr = ['姓','名','姓 (フリガナ)','名 (フリガナ)','会社名','部署','役職','郵便番号 (自宅)','都道府県 (自宅)','市区町村 (自宅)','番地 (自宅)','自宅電話','携帯電話','電子メール アドレス','メモ']
rows = []
oi = 0
import re
for (i,f,g,fr,gr,mob,home,mail,post,addr,lat) in P:
    if i > 15: continue
    fam = variant.get(i, f) if i in (2,4) else f
    m = re.match(r'(東京都|北海道|(?:京都|大阪)府|.{2,3}県)(.+?[市区町村])(.*)', addr)
    pref, city, street = m.group(1), m.group(2), m.group(3)
    mobile = fullwidth_digits(mob) if i % 4 == 0 else mob.replace('-', '')
    row = [fam, g, kata(fr), kata(gr), '株式会社サンプル', '営業部', '', post, pref, city, street, home, mobile, mail, '']
    if i == 5:  # a colleague writes another mail; the mobile is the same
        row[13] = 'k-sato@sample.co.jp'
    rows.append(','.join(q(c) for c in row))
    truth.append(('outlook.csv', oi, i)); oi += 1
# A different 佐藤 健 from the office, and a different 山田 太郎.
rows.append(','.join(q(c) for c in ['佐藤','健','サトウ','ケン','株式会社サンプル','総務部','','105-0011','東京都','港区','芝公園9-9','03-5555-0105','090-5050-5005','ken.sato2@sample.co.jp','']))
truth.append(('outlook.csv', oi, 105)); oi += 1
rows.append(','.join(q(c) for c in ['山田','太郎','ヤマダ','タロウ','山田工務店','','','','','','','06-6666-0113','080-6161-6113','yamada@koumuten.example','']))
truth.append(('outlook.csv', oi, 113)); oi += 1
open(f'{out}/outlook.csv','wb').write((','.join(hdr)+'\r\n'+'\r\n'.join(rows)+'\r\n').encode('cp932'))

# ---- an old phone's vCard 2.1 (Shift_JIS): 20 people, half-width kana readings, carrier mail.
v = []
pi = 0
for (i,f,g,fr,gr,mob,home,mail,post,addr,lat) in P:
    if i not in range(1, 31, 1) or i % 3 == 2: continue
    fam = f
    v += ['BEGIN:VCARD','VERSION:2.1']
    if i == 2 or i == 8:  # entered in kana on the keypad
        v.append(f'N;CHARSET=SHIFT_JIS:{half(fr)};{half(gr)};;;')
    else:
        v.append(f'N;CHARSET=SHIFT_JIS:{fam};{g};;;')
    v.append(f'SOUND;X-IRMC-N;CHARSET=SHIFT_JIS:{half(fr)};{half(gr)};;;')
    # 近藤 has changed his number since the old phone.
    v.append('TEL;CELL:09030000300' if i == 30 else f'TEL;CELL:{mob.replace("-","")}')
    if home and i % 2: v.append(f'TEL;HOME:{home}')
    v.append(f'EMAIL;INTERNET:user{i:02d}@docomo.ne.jp')
    v.append('END:VCARD')
    truth.append(('phone21.vcf', pi, i)); pi += 1
# A different 伊藤 美咲 on the old phone with her own number and mail.
v += ['BEGIN:VCARD','VERSION:2.1','N;CHARSET=SHIFT_JIS:伊藤;美咲;;;','SOUND;X-IRMC-N;CHARSET=SHIFT_JIS:ｲﾄｳ;ﾐｻｷ;;;','TEL;CELL:09070707008','EMAIL;INTERNET:misaki0808@ezweb.ne.jp','END:VCARD']
truth.append(('phone21.vcf', pi, 108)); pi += 1
open(f'{out}/phone21.vcf','wb').write(('\r\n'.join(v)+'\r\n').encode('cp932'))
open(f'{out}/truth.tsv','w').write('# file\tcontact\tperson\n' + ''.join(f'{a}\t{b}\t{c}\n' for a,b,c in truth))
print(len(truth))
